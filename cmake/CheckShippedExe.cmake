# Checks what the shipped program links against, how big it is, and that its
# manifest carries the product version:
#   cmake -DEXE=<exe> -DOBJDUMP=<objdump> -DMAX_BYTES=<n> -DVERSION=<x.y.z>
#         -P CheckShippedExe.cmake
# Only DLLs that the loader always takes from the system directory may be
# imported; everything else is bound at run time from the system directory.
cmake_minimum_required(VERSION 3.22)

set(ALLOWED advapi32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll comdlg32.dll
            shlwapi.dll shell32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${EXE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
    message(FATAL_ERROR "no import table found in ${EXE}")
endif()
foreach(line ${imports})
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    message(STATUS "imports ${dll}")
    if(NOT dll IN_LIST ALLOWED)
        message(FATAL_ERROR "${EXE} imports ${dll}, which is not a system DLL the loader always takes from the system directory")
    endif()
endforeach()

file(SIZE ${EXE} size)
message(STATUS "size ${size} bytes")
if(size GREATER MAX_BYTES)
    message(FATAL_ERROR "${EXE} is ${size} bytes, more than ${MAX_BYTES}")
endif()

# The manifest is stored as its UTF-8 text.
file(STRINGS ${EXE} identity REGEX "name=\"ZAVRIN\\.DriverSetup\" version=\"[0-9.]+\"")
if(NOT identity MATCHES "version=\"${VERSION}\\.0\"")
    message(FATAL_ERROR "the manifest's assemblyIdentity is not version ${VERSION}.0: ${identity}")
endif()
