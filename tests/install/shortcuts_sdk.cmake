# The Startup shortcuts and the SDK installers' hand-off (the fake installers
# are peers: tests/peers/fake_sdk, tests/peers/fake_copyexec).
monsetup_add_test(shortcuts_sdk_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/shortcuts_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/sdk_setup_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/install_test_files.cpp
    LIBS app install_test_support
    WINVERS win98 nt40 win2k)
add_dependencies(shortcuts_sdk_tests fake_sdk)
