# Installs the build into a fresh prefix and uses it as a user would:
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DDATA_DIR=... -DBINDIR=bin -DDATADIR=share -DWITH_GUI=ON
#         -DMANDIR=share/man [-DPYTHON=python3 -DPYTHONDIR=lib/python3.11/dist-packages]
#         -P check_install.cmake
# Fails when a program, a data file, the manual page, the desktop entry or the icon is missing, when the
# desktop entry is not valid (checked when desktop-file-validate is installed), when "man tervix-cli"
# does not show under each command every option that command's --help lists, when the installed
# tool does not find its data from a folder that holds none, or when the Python module does not load
# from where it was installed.
set(prefix ${WORK_DIR}/prefix)
set(elsewhere ${WORK_DIR}/elsewhere)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${elsewhere})

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

set(data ${prefix}/${DATADIR}/tervix)
set(expected ${prefix}/${BINDIR}/tervix-cli ${prefix}/${MANDIR}/man1/tervix-cli.1)
file(GLOB shipped RELATIVE ${DATA_DIR} ${DATA_DIR}/*.par ${DATA_DIR}/*.tag ${DATA_DIR}/*.ini)
foreach(name ${shipped})
    list(APPEND expected ${data}/${name})
endforeach()
if(WITH_GUI)
    list(APPEND expected ${prefix}/${BINDIR}/tervix ${data}/guide_tervix.pdf
         ${prefix}/${DATADIR}/applications/tervix.desktop
         ${prefix}/${DATADIR}/icons/hicolor/scalable/apps/tervix.svg)
endif()
foreach(file ${expected})
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

if(WITH_GUI)
    file(READ ${prefix}/${DATADIR}/applications/tervix.desktop entry)
    if(NOT entry MATCHES "Exec=${prefix}/${BINDIR}/tervix\n" OR NOT entry MATCHES "Path=${data}\n")
        message(FATAL_ERROR "the desktop entry does not name the installed program and data:\n${entry}")
    endif()
    find_program(VALIDATE desktop-file-validate)
    if(VALIDATE)
        execute_process(COMMAND ${VALIDATE} ${prefix}/${DATADIR}/applications/tervix.desktop
                        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
        if(NOT status EQUAL 0 OR NOT out STREQUAL "")
            message(FATAL_ERROR "desktop-file-validate: ${out}")
        endif()
    else()
        message(STATUS "desktop-file-validate is not installed; the desktop entry is not validated")
    endif()
endif()

# man finds the page where it was installed, and shows each command's options as the command lists them.
execute_process(COMMAND ${CMAKE_COMMAND} -E env MANPATH=${prefix}/${MANDIR} MANWIDTH=100 man tervix-cli
                RESULT_VARIABLE status OUTPUT_VARIABLE manual ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "man tervix-cli failed (${status}): ${errors}")
endif()
execute_process(COMMAND ${prefix}/${BINDIR}/tervix-cli --help OUTPUT_VARIABLE usage)
string(REGEX MATCHALL "tervix-cli [a-z]+" commands "${usage}")
list(LENGTH commands count)
if(count LESS 8)
    message(FATAL_ERROR "tervix-cli --help lists ${count} commands:\n${usage}")
endif()
foreach(command ${commands})
    string(REPLACE "tervix-cli " "" command ${command})
    execute_process(COMMAND ${prefix}/${BINDIR}/tervix-cli ${command} --help OUTPUT_VARIABLE help)
    # The command's part of the page: from its heading to the next heading.
    string(FIND "${manual}" "\n   ${command}\n" start)
    if(start EQUAL -1)
        message(FATAL_ERROR "man tervix-cli has no section for ${command}:\n${manual}")
    endif()
    string(SUBSTRING "${manual}" ${start} -1 section)
    string(REGEX REPLACE "^\n   ${command}\n(.*)" "\\1" section "${section}")
    string(REGEX REPLACE "\n(   [a-z]+|[A-Z]+)\n.*" "" section "${section}")
    string(REGEX MATCHALL "--[a-z][a-z0-9-]*" options "${help}")
    list(REMOVE_ITEM options --help --version)
    foreach(option ${options})
        if(NOT section MATCHES "\n       ${option}[ \n]")
            message(FATAL_ERROR "man tervix-cli does not show ${option} under ${command}:\n${section}")
        endif()
    endforeach()
endforeach()

# From a folder without data, the installed tool reads the standard target and Atmosphere.ini from
# the installed data; its image equals the build's with both files named.
execute_process(COMMAND ${prefix}/${BINDIR}/tervix-cli render --camera ${data}/camera4.par --frequency 2
                        --dt 0.3 --seed 5 --out installed.png
                WORKING_DIRECTORY ${elsewhere} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
    message(FATAL_ERROR "the installed tervix-cli render failed (${status}): ${errors}")
endif()
execute_process(COMMAND ${BUILD_DIR}/bin/tervix-cli render --camera ${DATA_DIR}/camera4.par --frequency 2
                        --dt 0.3 --seed 5 --target ${DATA_DIR}/mira.tag --atmosphere ${DATA_DIR}/Atmosphere.ini
                        --out ${elsewhere}/named.png
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "tervix-cli render with named files failed: ${errors}")
endif()
file(SHA256 ${elsewhere}/installed.png installed)
file(SHA256 ${elsewhere}/named.png named)
if(NOT installed STREQUAL named)
    message(FATAL_ERROR "the installed tool's image differs from the one made with the data named")
endif()

# The module loads from the prefix alone, from a folder without it.
if(PYTHON)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${prefix}/${PYTHONDIR} ${PYTHON} -c
                            "import tervix; print(tervix.__file__)"
                    WORKING_DIRECTORY ${elsewhere} RESULT_VARIABLE status OUTPUT_VARIABLE module ERROR_VARIABLE errors
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0 OR NOT module MATCHES "^${prefix}/${PYTHONDIR}/tervix")
        message(FATAL_ERROR "the installed Python module does not load (${status}): ${module}${errors}")
    endif()
endif()
file(REMOVE_RECURSE ${WORK_DIR})
