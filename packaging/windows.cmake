# The Windows installer: zxquote.exe with its data files, the Qt and libxml2 DLLs from the
# prefix scripts/windows-deps built, the Qt plugins the program loads and the MinGW runtime, all
# in one folder under Program Files; made by CPack's NSIS generator (scripts/windows).
set(ZX_APP_TITLE "装修报价器")
install(TARGETS zxquote RUNTIME DESTINATION .)
install(FILES ${ZX_DATA_FILES} DESTINATION .)

set(qt_bin "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
set(qt_plugins "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}")
install(FILES
    ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll ${qt_bin}/Qt6Network.dll
    ${qt_bin}/libxml2.dll
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

set(CPACK_GENERATOR NSIS)
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY zxquote)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY zxquote)
set(CPACK_NSIS_PACKAGE_NAME "${ZX_APP_TITLE}")
set(CPACK_NSIS_DISPLAY_NAME "${ZX_APP_TITLE}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer (NSIS makes 32-bit ones unless told), which also writes the 64-bit
# registry view.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/assets/app.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/assets/app.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME zxquote.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# The shortcut takes the program's own icon from its resources.
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\${ZX_APP_TITLE}.lnk' '$INSTDIR\\zxquote.exe'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA
    "Delete '$SMPROGRAMS\\$MUI_TEMP\\${ZX_APP_TITLE}.lnk'")
