# zx_configure_windows_resource(<output.rc>): writes the executable's resource script, with the
# icon from assets/ and this build's support account in the version record's description.
function(zx_configure_windows_resource output)
    set(ZX_RC_ICON "${PROJECT_SOURCE_DIR}/assets/app.ico")
    configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/zxquote.rc.in" "${output}" @ONLY)
endfunction()
