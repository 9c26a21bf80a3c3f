# Registry entries and parallel-port settings written from the setup INI.
monsetup_add_test(registry_ports_tests
    SOURCES registry_entries_test.cpp port_settings_test.cpp install_test_files.cpp
            ${PROJECT_SOURCE_DIR}/tests/app/app_test_support.cpp
    LIBS monchk_all test_support
    WINVERS win98 nt40 win2k)
target_include_directories(registry_ports_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/app)
