# Run by CPack before each generator packs (CPACK_PRE_BUILD_SCRIPTS): the packages' file times
# are the source's. CPack's archive and Debian generators read SOURCE_DATE_EPOCH from this
# process's environment; unless the builder set it, it is the commit's time found when the build
# was configured.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT CPACK_ZX_SOURCE_DATE_EPOCH STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} "${CPACK_ZX_SOURCE_DATE_EPOCH}")
endif()
