# The Windows installer and the portable zip: zxquote.exe with its data files, the Qt DLLs from
# the prefix scripts/windows-deps built, the Qt plugins the program loads and the MinGW runtime,
# all in one folder; made by CPack's NSIS and ZIP generators (scripts/windows).
set(ZX_APP_TITLE "装修报价器")
# The zip keeps folders' modes: the same whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS zxquote RUNTIME DESTINATION .)
install(FILES ${ZX_DATA_FILES} DESTINATION .)

set(qt_bin "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
set(qt_plugins "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}")
# Every Qt file shipped, by its path in the package, and the runtime DLLs by their path on this
# machine: the third-party notices name each of them.
set(qt_modules Core Gui Widgets Network)
set(shipped_qt "")
set(shipped_runtime "")
function(zx_ship_qt destination)
    foreach(file ${ARGN})
        get_filename_component(name "${file}" NAME)
        install(FILES "${file}" DESTINATION "${destination}")
        if(destination STREQUAL ".")
            list(APPEND shipped_qt "${name}")
        else()
            list(APPEND shipped_qt "${destination}/${name}")
        endif()
    endforeach()
    set(shipped_qt "${shipped_qt}" PARENT_SCOPE)
endfunction()
foreach(module ${qt_modules})
    zx_ship_qt(. "${qt_bin}/Qt6${module}.dll")
endforeach()
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
        OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${file}")
        message(FATAL_ERROR "The MinGW runtime has no ${runtime}")
    endif()
    install(FILES ${file} DESTINATION .)
    list(APPEND shipped_runtime "${file}")
endforeach()
# The window's platform, its style, the picture formats of the artwork and the window icon,
# and Windows' own TLS for https origins.
file(GLOB styles "${qt_plugins}/styles/*.dll")
zx_ship_qt(plugins/platforms ${qt_plugins}/platforms/qwindows.dll)
zx_ship_qt(plugins/styles ${styles})
zx_ship_qt(plugins/imageformats ${qt_plugins}/imageformats/qgif.dll
    ${qt_plugins}/imageformats/qjpeg.dll ${qt_plugins}/imageformats/qico.dll)
zx_ship_qt(plugins/tls ${qt_plugins}/tls/qschannelbackend.dll)
install(FILES windows/qt.conf DESTINATION .)

# What Qt's licence and its bundled code's licences ask for: the notices, the LGPL and GPL texts
# beside them, and the corresponding source of Qt as one archive to publish beside the
# packages. scripts/windows-deps keeps what these are made from in the prefix.
set(qt_kept "${QT6_INSTALL_PREFIX}/share/zxquote")
if(NOT EXISTS "${qt_kept}/attribution/LICENSES/LGPL-3.0-only.txt" OR NOT EXISTS "${qt_kept}/source/version.txt")
    message(FATAL_ERROR "${QT6_INSTALL_PREFIX} keeps no Qt source or licence texts: "
        "it was built by an older scripts/windows-deps; delete it and run scripts/windows-deps")
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ZX_QT_SOURCE_ARCHIVE "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-qt-source.tar")
set(notices "${CMAKE_CURRENT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt")
file(GLOB_RECURSE attribution CONFIGURE_DEPENDS "${qt_kept}/attribution/*")
add_custom_command(OUTPUT "${notices}"
    COMMAND Python3::Interpreter "${CMAKE_CURRENT_SOURCE_DIR}/windows/notices.py"
        --output "${notices}" --program "${ZX_APP_TITLE} ${PROJECT_VERSION}"
        --qt-kept "${qt_kept}" --qt-modules "${qt_modules}" --qt-files "${shipped_qt}"
        --runtime "${shipped_runtime}" --source-archive "${ZX_QT_SOURCE_ARCHIVE}"
    DEPENDS windows/notices.py ${attribution}
    VERBATIM)
install(FILES "${notices}" "${qt_kept}/attribution/LICENSES/LGPL-3.0-only.txt"
    "${qt_kept}/attribution/LICENSES/GPL-3.0-only.txt" DESTINATION .)
# The archive is written where CPack writes the packages, with fixed owners, times and order.
file(GLOB_RECURSE qt_source CONFIGURE_DEPENDS "${qt_kept}/source/*")
set(source_archive "${CMAKE_BINARY_DIR}/${ZX_QT_SOURCE_ARCHIVE}")
get_filename_component(source_folder "${ZX_QT_SOURCE_ARCHIVE}" NAME_WLE)
add_custom_command(OUTPUT "${source_archive}"
    COMMAND "${CMAKE_CURRENT_SOURCE_DIR}/windows/source-archive" "${source_archive}"
        "${qt_kept}/source" "${notices}" "${ZX_SOURCE_DATE_EPOCH}"
    DEPENDS windows/source-archive ${qt_source} "${notices}"
    VERBATIM)
add_custom_target(zx_release_files ALL DEPENDS "${notices}" "${source_archive}")

# CPack strips only the targets; the DLLs come with their symbols (libstdc++ alone is 23 MB).
# strip writes the time into a PE header unless SOURCE_DATE_EPOCH says otherwise: no time, as
# the linker writes for zxquote.exe.
install(CODE "
    file(GLOB_RECURSE dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(dll \${dlls})
        execute_process(COMMAND \"${CMAKE_COMMAND}\" -E env SOURCE_DATE_EPOCH=0
            \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\" COMMAND_ERROR_IS_FATAL ANY)
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

# Release files. Signing: packaging/windows/sign signs zxquote.exe in each staging folder, the
# uninstaller makensis writes and the installer, when the builder gives a certificate; it does
# nothing otherwise. The staged files take the source's time, and SHA256SUMS lists the packages.
set(CPACK_ZX_SIGN "${CMAKE_CURRENT_SOURCE_DIR}/windows/sign")
set(CPACK_ZX_QT_SOURCE_ARCHIVE "${source_archive}")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_SOURCE_DIR}/windows/staged.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_SOURCE_DIR}/windows/packed.cmake")
# NSIS 3.08 runs this on the uninstaller before packing it; a failure stops makensis.
set(CPACK_ZX_UNINSTALLER_FINALIZE "!uninstfinalize '\"${CPACK_ZX_SIGN}\" \"%1\"' = 0")
