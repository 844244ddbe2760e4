# zx_version_parts(): ZX_RC_MAJOR, _MINOR, _PATCH and _TWEAK from project(VERSION), a missing
# part as 0, set in the caller's scope.
macro(zx_version_parts)
    foreach(part MAJOR MINOR PATCH TWEAK)
        set(ZX_RC_${part} "${PROJECT_VERSION_${part}}")
        if(ZX_RC_${part} STREQUAL "")
            set(ZX_RC_${part} 0)
        endif()
    endforeach()
endmacro()

# zx_version_text(<variable>): the version as the program shows it, 1.0.0.1 -> 1.00.0001: the
# minor number in two digits and the fourth (the revision) in four.
function(zx_version_text variable)
    zx_version_parts()
    string(LENGTH "${ZX_RC_MINOR}" minor_digits)
    string(LENGTH "${ZX_RC_TWEAK}" revision_digits)
    set(minor "${ZX_RC_MINOR}")
    set(revision "${ZX_RC_TWEAK}")
    if(minor_digits LESS 2)
        string(PREPEND minor "0")
    endif()
    while(revision_digits LESS 4)
        string(PREPEND revision "0")
        math(EXPR revision_digits "${revision_digits} + 1")
    endwhile()
    set(${variable} "${ZX_RC_MAJOR}.${minor}.${revision}" PARENT_SCOPE)
endfunction()

# zx_configure_windows_resource(<output.rc>): writes the executable's resource script, with the
# icon from assets/, the version from project(VERSION), this build's support account in the
# version record's description and the application manifest, written beside it.
function(zx_configure_windows_resource output)
    set(ZX_RC_ICON "${PROJECT_SOURCE_DIR}/assets/app.ico")
    zx_version_parts()
    zx_version_text(ZX_RC_VERSION_TEXT)
    get_filename_component(folder "${output}" DIRECTORY)
    set(ZX_RC_MANIFEST "${folder}/zxquote.manifest")
    configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/zxquote.manifest.in" "${ZX_RC_MANIFEST}" @ONLY)
    configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/zxquote.rc.in" "${output}" @ONLY)
endfunction()
