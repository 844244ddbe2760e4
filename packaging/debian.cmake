# The Debian package: the program in its own folder, a command on the PATH, desktop files.
include(GNUInstallDirs)

# The program takes its data files from beside its own executable, so the executable and the data
# share one private folder. That folder is not a library folder: it holds no shared objects and
# is the same for every architecture, hence lib/zxquote rather than the multiarch
# CMAKE_INSTALL_LIBDIR (lib/x86_64-linux-gnu under the /usr prefix on Debian).
set(ZXQUOTE_INSTALL_PROGRAMDIR "lib/zxquote" CACHE STRING
    "Folder, relative to the install prefix, that holds the executable and its data files")
set(ZXQUOTE_APP_ID "com.example.zxquote")

foreach(_dir ZXQUOTE_INSTALL_PROGRAMDIR CMAKE_INSTALL_BINDIR)
    if(IS_ABSOLUTE "${${_dir}}")
        message(FATAL_ERROR "${_dir} must be relative to the install prefix, not \"${${_dir}}\".")
    endif()
endforeach()

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS zxquote RUNTIME DESTINATION ${ZXQUOTE_INSTALL_PROGRAMDIR})
install(FILES ${ZX_DATA_FILES} DESTINATION ${ZXQUOTE_INSTALL_PROGRAMDIR})

# The command on the PATH is a relative symbolic link, which works under any prefix and inside the
# package's staging folder; the program's folder is found through it because
# applicationDirPath() resolves links.
file(RELATIVE_PATH _link_target "/${CMAKE_INSTALL_BINDIR}" "/${ZXQUOTE_INSTALL_PROGRAMDIR}/zxquote")
file(CREATE_LINK ${_link_target} ${CMAKE_CURRENT_BINARY_DIR}/zxquote SYMBOLIC)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zxquote DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${ZXQUOTE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${ZXQUOTE_APP_ID}.metainfo.xml.in ${ZXQUOTE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${ZXQUOTE_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Drawn by scripts/make-artwork from the same picture as the window icon.
foreach(_size 16 24 32 48 64 72 96 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/hicolor/${_size}x${_size}/apps/zxquote.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
        RENAME ${ZXQUOTE_APP_ID}.png)
endforeach()

install(FILES copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The lintian tags the package means to carry, each with its reason.
install(FILES lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
    RENAME zxquote)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_HOMEPAGE_URL "${MAIN_SITE_ORIGIN}/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Every text is Chinese, and links open through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-arphic-uming, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git/" "/build/")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_SOURCE_DIR}/source-date.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_SOURCE_DIR}/sha256sums.cmake")
