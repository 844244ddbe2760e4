# Site origins and the support account are fixed when the program is built.
set(MAIN_SITE_ORIGIN "http://www.example.com" CACHE STRING "Scheme and host of the vendor's main web site, no trailing slash")
set(CORPORATE_SITE_ORIGIN "http://corp.example.com" CACHE STRING "Scheme and host of the vendor's corporate web site, no trailing slash")
set(CHAT_SERVICE_ORIGIN "http://chat.example.com" CACHE STRING "Scheme and host of the support chat service, no trailing slash")
set(SUPPORT_ACCOUNT "800012345" CACHE STRING "The vendor's support account number on the chat service (decimal digits)")

# scheme://host[:port], where host is a DNS name or an IPv4 address; nothing after it.
set(_origin_pattern "^https?://[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?(:[0-9]+)?$")
foreach(_name MAIN_SITE_ORIGIN CORPORATE_SITE_ORIGIN CHAT_SERVICE_ORIGIN)
  if(NOT "${${_name}}" MATCHES "${_origin_pattern}")
    message(FATAL_ERROR "${_name} is \"${${_name}}\": it must be \"http://\" or \"https://\" "
                        "followed by a host (and an optional :port), with no path and no trailing slash.")
  endif()
endforeach()
if(NOT "${SUPPORT_ACCOUNT}" MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SUPPORT_ACCOUNT is \"${SUPPORT_ACCOUNT}\": it must be decimal digits only.")
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/buildconstants.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/buildconstants.h @ONLY)
