# Packs the build into a .deb and runs Debian's own checks on it: lintian
# (no error, no warning), appstreamcli validate on the AppStream metadata,
# desktop-file-validate on the desktop entry and systemd-analyze verify on
# the station's unit, all taken from the package itself.
#   cmake -DBUILD_DIR=<build> -DWORK=<scratch> -P package_check.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(run what)
    execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE rc
                    OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
    endif()
    message(STATUS "${what}: ok\n${out}${err}")
endfunction()

run("cpack" cpack --config "${BUILD_DIR}/CPackConfig.cmake" -G DEB -B "${WORK}")
file(GLOB debs "${WORK}/*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one .deb in ${WORK}, found: ${debs}")
endif()

# Errors and warnings fail; informational tags do not.
run("lintian" lintian --fail-on error,warning --tag-display-limit 0 "${debs}")

run("dpkg-deb -x" dpkg-deb -x "${debs}" "${WORK}/root")
set(root "${WORK}/root")
run("appstreamcli validate" appstreamcli validate --no-net
    "${root}/usr/share/metainfo/org.tals35xi.Tals35xi.metainfo.xml")
run("desktop-file-validate" desktop-file-validate
    "${root}/usr/share/applications/org.tals35xi.Tals35xi.desktop")

# The unit is checked as the instance "demo" against the package's own tree.
find_program(SYSTEMD_ANALYZE systemd-analyze)
if(SYSTEMD_ANALYZE)
    file(GLOB_RECURSE unit "${root}/tals35xi-station@.service")
    if(NOT unit)
        message(FATAL_ERROR "the package holds no tals35xi-station@.service")
    endif()
    file(COPY ${unit} DESTINATION "${WORK}/unit")
    file(RENAME "${WORK}/unit/tals35xi-station@.service" "${WORK}/unit/tals35xi-station@demo.service")
    execute_process(COMMAND "${SYSTEMD_ANALYZE}" verify --man=no
                            "${WORK}/unit/tals35xi-station@demo.service"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    # Only the unit's own faults count: the programs are not installed here.
    string(REGEX REPLACE "[^\n]*is not executable[^\n]*\n?" "" rest "${out}${err}")
    string(STRIP "${rest}" rest)
    if(NOT rest STREQUAL "")
        message(FATAL_ERROR "systemd-analyze verify:\n${out}${err}")
    endif()
    message(STATUS "systemd-analyze verify: ok")
endif()

# apt resolves the package's dependencies on this system (a dry run: nothing
# is installed).
find_program(APT_GET apt-get)
if(APT_GET)
    run("apt-get install --simulate" "${APT_GET}" install --simulate --no-install-recommends
        "${debs}")
endif()
