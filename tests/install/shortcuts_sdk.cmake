# The Startup shortcuts and the SDK installers' hand-off.
#
# fake_sdk plays the SDK's installers (NR_Comb.exe, the installer a setup INI
# names, zqapiset.exe): the tests copy it under those names and tell it how to
# answer. fake_copyexec plays the program an install run copies and starts.
# Both document their record files at the top of their source.
add_executable(fake_sdk WIN32 ${CMAKE_CURRENT_LIST_DIR}/fake_sdk/fake_sdk.cpp)
set_target_properties(fake_sdk PROPERTIES OUTPUT_NAME NR_Comb)

add_executable(fake_copyexec WIN32 ${CMAKE_CURRENT_LIST_DIR}/fake_copyexec/fake_copyexec.cpp)

monsetup_add_test(shortcuts_sdk_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/shortcuts_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/sdk_setup_test.cpp
            ${PROJECT_SOURCE_DIR}/tests/app/app_test_support.cpp
    LIBS monchk_all test_support
    WINVERS win98 nt40 win2k)
target_include_directories(shortcuts_sdk_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/app)
add_dependencies(shortcuts_sdk_tests fake_sdk)
