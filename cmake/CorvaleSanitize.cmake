# CORVALE_SANITIZE builds every target of the project with the named sanitizers, for example
# -DCORVALE_SANITIZE="address;undefined" or -DCORVALE_SANITIZE=thread. Empty builds without.

set(CORVALE_SANITIZE "" CACHE STRING
    "Sanitizers for every target: empty, \"address;undefined\" or \"thread\"")

if(NOT CORVALE_SANITIZE)
    return()
endif()

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "CORVALE_SANITIZE needs GCC or Clang")
endif()
foreach(_sanitizer IN LISTS CORVALE_SANITIZE)
    if(NOT _sanitizer MATCHES "^(address|undefined|thread)$")
        message(FATAL_ERROR "CORVALE_SANITIZE: unknown sanitizer \"${_sanitizer}\" "
                            "(use \"address;undefined\" or \"thread\")")
    endif()
endforeach()
if("thread" IN_LIST CORVALE_SANITIZE AND "address" IN_LIST CORVALE_SANITIZE)
    message(FATAL_ERROR "CORVALE_SANITIZE: thread and address cannot be combined")
endif()

list(JOIN CORVALE_SANITIZE "," _corvale_sanitizers)
set(_corvale_sanitize_flags -fsanitize=${_corvale_sanitizers} -fno-omit-frame-pointer)
# Undefined behaviour must end the program, so that a test meeting it fails.
if("undefined" IN_LIST CORVALE_SANITIZE)
    list(APPEND _corvale_sanitize_flags -fno-sanitize-recover=undefined)
endif()
add_compile_options(${_corvale_sanitize_flags})
add_link_options(${_corvale_sanitize_flags})
message(STATUS "Corvale builds with -fsanitize=${_corvale_sanitizers}")
