# The install sequence: directory creation, and whole install runs.
monsetup_add_test(install_sequence_tests
    SOURCES install_sequence_test.cpp install_test_files.cpp
            ${PROJECT_SOURCE_DIR}/tests/app/app_test_support.cpp
    LIBS monchk_all test_support shell32 ole32
    WINVERS win98 nt40 win2k)
target_include_directories(install_sequence_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/app)
add_dependencies(install_sequence_tests MONCHK04 setup_host fake_sdk fake_copyexec TESTLMON)

