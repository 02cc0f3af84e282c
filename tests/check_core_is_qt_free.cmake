# Fails when a file of the Qt-free core includes a Qt header.
file(GLOB_RECURSE core_files
    ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.cpp
    ${SOURCE_DIR}/camera/*.h ${SOURCE_DIR}/camera/*.cpp
    ${SOURCE_DIR}/sim/*.h ${SOURCE_DIR}/sim/*.cpp
    ${SOURCE_DIR}/target/target.h ${SOURCE_DIR}/target/target.cpp
    ${SOURCE_DIR}/target/target_item.h ${SOURCE_DIR}/target/target_file.h ${SOURCE_DIR}/target/target_file.cpp
    ${SOURCE_DIR}/target/target_loader.h ${SOURCE_DIR}/target/target_loader.cpp
    ${SOURCE_DIR}/console/bench_console.h ${SOURCE_DIR}/console/bench_console.cpp
    ${SOURCE_DIR}/console/mrtd_results.h ${SOURCE_DIR}/console/mrtd_results.cpp
    ${SOURCE_DIR}/console/plot_geometry.h ${SOURCE_DIR}/console/plot_geometry.cpp
    ${SOURCE_DIR}/console/bar_pattern.h ${SOURCE_DIR}/console/bar_pattern.cpp
    ${SOURCE_DIR}/console/model_observer.h ${SOURCE_DIR}/console/model_observer.cpp
    ${SOURCE_DIR}/console/fidelity_report.h ${SOURCE_DIR}/console/fidelity_report.cpp
)
# The application object and its entry are the window side of app/.
list(FILTER core_files EXCLUDE REGEX "app/(bench_app\\.(h|cpp)|main\\.cpp)$")
set(offenders "")
foreach(f ${core_files})
    file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q")
    if(hits)
        list(APPEND offenders ${f})
    endif()
endforeach()
if(offenders)
    message(FATAL_ERROR "Qt headers included in the core: ${offenders}")
endif()
message(STATUS "core is Qt-free (${CMAKE_CURRENT_LIST_FILE})")
