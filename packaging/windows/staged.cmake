# Run by CPack for each generator once the files are staged and before they are packed
# (CPACK_PRE_BUILD_SCRIPTS). Signs zxquote.exe when the builder gave a certificate
# (packaging/windows/sign does nothing otherwise), then gives every staged file and folder the
# source's time, which the installer's archive keeps (the zip takes SOURCE_DATE_EPOCH itself).
include("${CMAKE_CURRENT_LIST_DIR}/../source-date.cmake")
# The name Windows shows for the signed programs; read by the signing helper, also when makensis
# runs it for the uninstaller.
set(ENV{ZX_SIGN_DESCRIPTION} "${CPACK_NSIS_PACKAGE_NAME}")
execute_process(COMMAND "${CPACK_ZX_SIGN}" "${CPACK_TEMPORARY_DIRECTORY}/zxquote.exe"
    COMMAND_ERROR_IS_FATAL ANY)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
    execute_process(COMMAND touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" "${CPACK_TEMPORARY_DIRECTORY}"
        ${staged} COMMAND_ERROR_IS_FATAL ANY)
endif()
