# Read by cpack for each generator: the portable zip is named apart from the installer, unless the
# package name was given on cpack's command line.
if(CPACK_GENERATOR STREQUAL "ZIP" AND NOT CPACK_PACKAGE_FILE_NAME MATCHES "-portable$")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-portable")
endif()
