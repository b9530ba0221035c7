# Lays out the sample driver folder of dist/: a placeholder file under every
# name that the installation copies, for both architectures. The contents say
# what they are; they are not drivers.
#   cmake -DDIST=<dist folder> -DCATALOG=<src/catalog/catalog.cpp> -P StageDist.cmake
# The GPD base names are read from the catalogue itself, so the two cannot
# drift apart.
file(READ "${CATALOG}" catalog)
string(REGEX MATCH "g_gpdNames\\[kModelCount\\] = {([^}]*)}" found "${catalog}")
string(REGEX MATCHALL "\"[^\"]+\"" GPD_NAMES "${CMAKE_MATCH_1}")
string(REPLACE "\"" "" GPD_NAMES "${GPD_NAMES}")
list(LENGTH GPD_NAMES gpd_count)
if(NOT gpd_count EQUAL 23)
    message(FATAL_ERROR "expected 23 GPD names in ${CATALOG}, found ${gpd_count}")
endif()
set(FIXED_NAMES RQPRN.DLL uniDRVui.DLL uniDRV.DLL UNIDRV.HLP UNIRES.DLL TTFSUB.GPD
                STDNAMES.GPD RQPLUG.ini RQPLUG.dll)

foreach(arch x86 x64)
    set(dir "${DIST}/Printer Driver/${arch}")
    file(MAKE_DIRECTORY "${dir}")
    set(names ${FIXED_NAMES})
    foreach(gpd ${GPD_NAMES})
        list(APPEND names "${gpd}.GPD")
    endforeach()
    foreach(name ${names})
        set(content "Placeholder for ${name} (${arch}). Not a driver file: made by the DriverSetup build for trying and testing the wizard.\n")
        if(EXISTS "${dir}/${name}")
            file(READ "${dir}/${name}" old)
            if(old STREQUAL content)
                continue()
            endif()
        endif()
        file(WRITE "${dir}/${name}" "${content}")
    endforeach()
endforeach()
