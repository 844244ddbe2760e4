# The windows presets' toolchain: Qt's own toolchain file from the prefix scripts/windows-deps
# builds, which in turn loads the MinGW-w64 settings Qt was built with.
if(NOT ZX_WINDOWS_PREFIX)
    execute_process(
        COMMAND "${CMAKE_CURRENT_LIST_DIR}/../../scripts/windows-deps" --prefix
        OUTPUT_VARIABLE ZX_WINDOWS_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "scripts/windows-deps --prefix failed")
    endif()
endif()
if(NOT EXISTS "${ZX_WINDOWS_PREFIX}/.complete")
    message(FATAL_ERROR "Qt for Windows is not built yet at ${ZX_WINDOWS_PREFIX}: run scripts/windows-deps")
endif()
include("${ZX_WINDOWS_PREFIX}/lib/cmake/Qt6/qt.toolchain.cmake")
