# Run by CPack after each generator, before the package is copied out of its staging folder
# (CPACK_POST_BUILD_SCRIPTS): signs the installer when the builder gave a certificate, and lists
# the installer with the Qt source archive beside it, or the zip, in SHA256SUMS.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "\\.exe$")
        execute_process(COMMAND "${CPACK_ZX_SIGN}" "${package}" COMMAND_ERROR_IS_FATAL ANY)
        get_filename_component(folder "${CPACK_ZX_QT_SOURCE_ARCHIVE}" DIRECTORY)
        if(folder STREQUAL CPACK_PACKAGE_DIRECTORY)
            list(APPEND CPACK_PACKAGE_FILES "${CPACK_ZX_QT_SOURCE_ARCHIVE}")
        endif()
    endif()
endforeach()
include("${CMAKE_CURRENT_LIST_DIR}/../sha256sums.cmake")
