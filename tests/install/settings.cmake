# The installation settings, under each Windows and under three user languages.
monsetup_add_test(install_settings_tests
    SOURCES install_settings_test.cpp
    LIBS app install_test_support
    WINVERS win98 nt40 win2k)
foreach(language de_DE ja_JP)
    add_test(NAME install_settings_tests.${language} COMMAND install_settings_tests
             --gtest_filter=Language*)
    set_tests_properties(install_settings_tests.${language} PROPERTIES
        ENVIRONMENT "MONSETUP_WINVER=win2k;LANG=${language}.UTF-8"
        FIXTURES_REQUIRED wine_prefix
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
        TIMEOUT 300)
endforeach()
