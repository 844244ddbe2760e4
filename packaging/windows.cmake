# The Windows installer and the portable zip: zxquote.exe with its data files, the Qt DLLs from
# the prefix scripts/windows-deps built, the Qt plugins the program loads and the MinGW runtime,
# all in one folder; made by CPack's NSIS and ZIP generators (scripts/windows).
set(ZX_APP_TITLE "装修报价器")
install(TARGETS zxquote RUNTIME DESTINATION .)
install(FILES ${ZX_DATA_FILES} DESTINATION .)

set(qt_bin "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
set(qt_plugins "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}")
install(FILES
    ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll ${qt_bin}/Qt6Network.dll
    DESTINATION .)
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
        OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${file}")
        message(FATAL_ERROR "The MinGW runtime has no ${runtime}")
    endif()
    install(FILES ${file} DESTINATION .)
endforeach()
# The window's platform, its style, the picture formats of the artwork and the window icon,
# and Windows' own TLS for https origins.
file(GLOB styles "${qt_plugins}/styles/*.dll")
install(FILES ${qt_plugins}/platforms/qwindows.dll DESTINATION plugins/platforms)
install(FILES ${styles} DESTINATION plugins/styles)
install(FILES ${qt_plugins}/imageformats/qgif.dll ${qt_plugins}/imageformats/qjpeg.dll
    ${qt_plugins}/imageformats/qico.dll DESTINATION plugins/imageformats)
install(FILES ${qt_plugins}/tls/qschannelbackend.dll DESTINATION plugins/tls)
install(FILES windows/qt.conf DESTINATION .)
# CPack strips only the targets; the DLLs come with their symbols (libstdc++ alone is 23 MB).
install(CODE "
    file(GLOB_RECURSE dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(dll \${dlls})
        execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()")

# The installer comes from packaging/windows/NSIS.template.in, CMake's template cut down and
# changed where these variables cannot say it (its first lines list how).
list(PREPEND CMAKE_MODULE_PATH "${CMAKE_CURRENT_SOURCE_DIR}/windows")
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_SYSTEM_NAME win64)
# The zip, the portable program (绿色版), unpacks into a folder of its own name.
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_SOURCE_DIR}/windows/cpack-generators.cmake")
set(CPACK_PACKAGE_INSTALL_DIRECTORY zxquote)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY zxquote)
set(CPACK_NSIS_PACKAGE_NAME "${ZX_APP_TITLE}")
set(CPACK_NSIS_DISPLAY_NAME "${ZX_APP_TITLE}")
# The version the program shows (its version record's text), for Apps & Features.
zx_version_text(CPACK_ZX_DISPLAY_VERSION)
set(CPACK_NSIS_URL_INFO_ABOUT "${CORPORATE_SITE_ORIGIN}")
# A 64-bit installer (NSIS makes 32-bit ones unless told), which also writes the 64-bit
# registry view.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/assets/app.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/assets/app.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME zxquote.exe)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
