# Lays out the sample driver folder of dist/: a placeholder file under every
# name that the installation copies, for both architectures. The contents say
# what they are; they are not drivers.
#   cmake -DDIST=<dist folder> -P StageDist.cmake
set(GPD_NAMES RQ210nocut RQ210cut RQ220nocut RQ220cut RQ230 RQ230N RQA230 RQB230 RQ240
              RQC210 RQC215 RQC230 RQD210 RQD230 RQD240 RQA240 RQG240 RQB240
              MD50x M60xA M60XB MC50X MC51X)
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
