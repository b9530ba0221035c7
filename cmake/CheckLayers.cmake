# Checks that every folder under src/ is a layer and that includes respect
# the layers' order:
#   cmake -DSRC=<src folder> -P CheckLayers.cmake
# A file may include headers of its own layer and of lower ones only; the
# portable layers include no Win32 header at all.
cmake_minimum_required(VERSION 3.22)

get_filename_component(SRC "${SRC}" ABSOLUTE)
set(LAYERS base catalog core install framework win32 pages app)
set(PORTABLE base catalog core install)
# Headers of the Windows SDK (mingw-w64's names; matched case-insensitively).
set(WIN32_HEADER_RE
    "^(windows|windef|winbase|winuser|wingdi|winreg|winnt|winerror|winspool|winsvc|commctrl|commdlg|shellapi|shlobj|shlwapi|objbase|ole2|oleauto)\\.h$")

file(GLOB entries RELATIVE ${SRC} ${SRC}/*)
set(failures "")
foreach(entry ${entries})
    if(NOT IS_DIRECTORY ${SRC}/${entry})
        continue()
    endif()
    list(FIND LAYERS ${entry} rank)
    if(rank LESS 0)
        string(APPEND failures "src/${entry}: a folder that is no layer (${LAYERS})\n")
        continue()
    endif()
    file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/${entry}/*.h ${SRC}/${entry}/*.cpp)
    foreach(file ${files})
        file(STRINGS ${SRC}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        foreach(line ${includes})
            if(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
                set(header "${CMAKE_MATCH_1}")
                string(TOLOWER "${header}" lower)
                if(entry IN_LIST PORTABLE AND lower MATCHES "${WIN32_HEADER_RE}")
                    string(APPEND failures
                        "src/${file}: includes <${header}>, a Win32 header in a portable layer\n")
                endif()
            elseif(line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/[^\"]+\"")
                list(FIND LAYERS ${CMAKE_MATCH_1} target)
                if(target GREATER rank)
                    string(APPEND failures
                        "src/${file}: includes \"${CMAKE_MATCH_1}/...\", a higher layer than ${entry}\n")
                endif()
            elseif(line MATCHES "#[ \t]*include[ \t]*\"resource\\.h\"" AND entry IN_LIST PORTABLE)
                string(APPEND failures "src/${file}: includes the program's resource.h\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(failures)
    message(FATAL_ERROR "Layer order (${LAYERS}) broken:\n${failures}")
endif()
message(STATUS "every include keeps to the layer order ${LAYERS}")
