# Installs the build into a scratch prefix and checks that every file lands
# in its place and that the installed tools start and find their data there.
#   cmake -DBUILD_DIR=<build> -DPREFIX=<scratch> -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

foreach(f bin/tals35xi bin/tals35xi-cli bin/tals35xi-sim share/tals35xi/INI/Parameters.ini
          share/applications/org.tals35xi.Tals35xi.desktop
          share/icons/hicolor/scalable/apps/tals35xi.svg
          share/metainfo/org.tals35xi.Tals35xi.metainfo.xml)
    if(NOT EXISTS "${PREFIX}/${f}")
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()

function(run_installed expect)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${ARGN} failed (${rc}): ${err}")
    endif()
    if(NOT out MATCHES "${expect}")
        message(FATAL_ERROR "${ARGN} printed no \"${expect}\":\n${out}")
    endif()
endfunction()

run_installed("tals35xi-cli [0-9]+\\.[0-9]+" "${PREFIX}/bin/tals35xi-cli" --version)
run_installed("tals35xi [0-9]+\\.[0-9]+" "${PREFIX}/bin/tals35xi" --version)
run_installed("--poll" "${PREFIX}/bin/tals35xi" --help)
# The installed tool finds the shipped Parameters.ini in the data folder and
# keeps its working files in the per-user folder (a scratch one here).
set(ENV{XDG_DATA_HOME} "${PREFIX}/home-data")
set(work "${PREFIX}/work")
file(MAKE_DIRECTORY "${work}")
execute_process(COMMAND "${PREFIX}/bin/tals35xi-cli" paths WORKING_DIRECTORY "${work}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "tals35xi-cli paths failed: ${rc}")
endif()
foreach(line "parameters-ini=${PREFIX}/share/tals35xi/INI/Parameters.ini"
             "start-dir=${PREFIX}/home-data/tals35xi"
             "program-dir=${PREFIX}/home-data/tals35xi")
    string(FIND "${out}" "${line}" at)
    if(at LESS 0)
        message(FATAL_ERROR "tals35xi-cli paths printed no \"${line}\":\n${out}")
    endif()
endforeach()
