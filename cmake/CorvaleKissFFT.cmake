# Kiss FFT (BSD-3-Clause) for the spectrum, as the imported target Corvale::KissFFT.
#
# The library is built for one sample type (kiss_fft_scalar), and its users must be compiled with
# the same one, or they read its buffers wrongly: the target carries that definition along.
# Debian's libkissfft-dev installs a pkg-config file per type it was built with (kissfft-float
# on Debian 12 and 13); double is taken where it is there. Elsewhere (the MinGW prefix beside
# Qt, say) the headers and a kissfft-double or kissfft-float library are looked up under
# CMAKE_PREFIX_PATH and the Qt prefix.

if(NOT WIN32)
    find_package(PkgConfig QUIET)
    if(PKG_CONFIG_FOUND)
        foreach(_corvale_kiss_type double float)
            pkg_check_modules(CORVALE_KISSFFT QUIET IMPORTED_TARGET GLOBAL kissfft-${_corvale_kiss_type})
            if(CORVALE_KISSFFT_FOUND)
                add_library(Corvale::KissFFT ALIAS PkgConfig::CORVALE_KISSFFT)
                message(STATUS "Kiss FFT (${_corvale_kiss_type}) found by pkg-config")
                return()
            endif()
        endforeach()
    endif()
endif()

set(_corvale_kiss_hints)
foreach(_corvale_qt_dir IN ITEMS "${Qt6_DIR}" "${Qt5_DIR}")
    # <prefix>/lib/cmake/Qt6 -> <prefix>
    if(_corvale_qt_dir)
        get_filename_component(_corvale_qt_prefix "${_corvale_qt_dir}/../../.." ABSOLUTE)
        list(APPEND _corvale_kiss_hints "${_corvale_qt_prefix}")
    endif()
endforeach()

# The prefixes first, as they are: a cross build would otherwise look for them inside its
# sysroot. Then the usual places.
set(_corvale_kiss_prefixes ${CMAKE_PREFIX_PATH} ${_corvale_kiss_hints})
find_path(CORVALE_KISSFFT_INCLUDE_DIR kiss_fft.h
    PATHS ${_corvale_kiss_prefixes} PATH_SUFFIXES include/kissfft
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_path(CORVALE_KISSFFT_INCLUDE_DIR kiss_fft.h PATH_SUFFIXES kissfft)
find_library(CORVALE_KISSFFT_LIBRARY NAMES kissfft-double kissfft-float
    PATHS ${_corvale_kiss_prefixes} PATH_SUFFIXES lib
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_library(CORVALE_KISSFFT_LIBRARY NAMES kissfft-double kissfft-float)
if(NOT CORVALE_KISSFFT_INCLUDE_DIR OR NOT CORVALE_KISSFFT_LIBRARY)
    message(FATAL_ERROR "Kiss FFT not found (Debian: libkissfft-dev); add its prefix to CMAKE_PREFIX_PATH")
endif()

get_filename_component(_corvale_kiss_name "${CORVALE_KISSFFT_LIBRARY}" NAME)
if(_corvale_kiss_name MATCHES "double")
    set(_corvale_kiss_type double)
else()
    set(_corvale_kiss_type float)
endif()
set(_corvale_kiss_definitions "kiss_fft_scalar=${_corvale_kiss_type}")
# A shared library (an import library on Windows) is declared as such, or its symbols are looked
# for as static ones.
if(_corvale_kiss_name MATCHES "\\.(so|dylib|dll\\.a)$|\\.so\\.")
    list(APPEND _corvale_kiss_definitions KISS_FFT_SHARED)
endif()

add_library(Corvale::KissFFT UNKNOWN IMPORTED)
set_target_properties(Corvale::KissFFT PROPERTIES
    IMPORTED_LOCATION "${CORVALE_KISSFFT_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${CORVALE_KISSFFT_INCLUDE_DIR}"
    INTERFACE_COMPILE_DEFINITIONS "${_corvale_kiss_definitions}")
message(STATUS "Kiss FFT (${_corvale_kiss_type}): ${CORVALE_KISSFFT_LIBRARY}")
