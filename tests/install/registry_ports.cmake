# Registry entries and parallel-port settings written from the setup INI.
monsetup_add_test(registry_ports_tests
    SOURCES registry_entries_test.cpp port_settings_test.cpp key_repair_test.cpp
    LIBS app install_test_support
    WINVERS win98 nt40 win2k)
