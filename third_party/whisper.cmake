# whisper-cli, the outside recognizer, built from whisper.cpp's own source and placed in
# ${VELTRINO_BIN_DIR}/whisper beside the application.
#
# whisper.cpp takes minutes to build on a small machine, so it is built once per source and option
# set into a cache folder shared by every build tree of this checkout (build/_whisper/<version>-<hash>)
# and only copied into each tree. A rebuild of the application never rebuilds it; changing the
# options or the source gives a new cache folder.
#
# Our sanitizer and warning flags are deliberately kept out: whisper.cpp is configured as a separate
# project with its own Release flags.

set(VELTRINO_WHISPER_SOURCE_DIR "" CACHE PATH
    "Local whisper.cpp source folder to build whisper-cli from; empty fetches the pinned npm package")
set(VELTRINO_WHISPER_CACHE_DIR "${CMAKE_SOURCE_DIR}/build/_whisper" CACHE PATH
    "Folder that keeps built whisper-cli binaries for all build trees of this checkout")

# nodejs-whisper carries whisper.cpp under cpp/whisper.cpp. The integrity is npm's own
# (sha512, base64); the hex form below is the same digest, which CMake can compute.
set(_vw_package "nodejs-whisper@0.3.1")
set(_vw_package_file "nodejs-whisper-0.3.1.tgz")
set(_vw_package_integrity
    "sha512-ceoilUVraRuR5FnNyXpGQT2auAR48Oc3AQBEmkXnVpSn9iN6yVRzQBFCqVTGWbk6Wdi95NhvwXNzFvuR7erLWw==")
set(_vw_package_sha512
    "71ea2295456b691b91e459cdc97a46413d9ab80478f0e7370100449a45e75694a7f6237ac95473401142a954c659b93a59d8bde4d86fc1737316fb91edeacb5b")
set(_vw_package_subdir "package/cpp/whisper.cpp")

if(VELTRINO_WHISPER_SOURCE_DIR)
    get_filename_component(_vw_source "${VELTRINO_WHISPER_SOURCE_DIR}" ABSOLUTE)
    if(NOT EXISTS "${_vw_source}/CMakeLists.txt" OR NOT EXISTS "${_vw_source}/examples/cli")
        message(FATAL_ERROR "VELTRINO_WHISPER_SOURCE_DIR=${_vw_source} is not a whisper.cpp source folder "
                            "(no CMakeLists.txt or examples/cli in it)")
    endif()
    file(STRINGS "${_vw_source}/CMakeLists.txt" _vw_project REGEX "project\\(\"whisper\\.cpp\" VERSION")
    string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" _vw_version "${_vw_project}")
    if(NOT _vw_version)
        set(_vw_version "local")
    endif()
    set(_vw_identity "local:${_vw_source}")
    set(_vw_npm "")
else()
    set(_vw_version "1.9.1")
    set(_vw_source "${VELTRINO_WHISPER_CACHE_DIR}/src/nodejs-whisper-0.3.1/${_vw_package_subdir}")
    set(_vw_identity "npm:${_vw_package}:${_vw_package_sha512}")
    find_program(VELTRINO_NPM npm)
    if(NOT VELTRINO_NPM)
        message(FATAL_ERROR "whisper-cli: npm is needed to fetch whisper.cpp (${_vw_package}). Install it "
                            "(tools/deps.sh), or set VELTRINO_WHISPER_SOURCE_DIR to a local whisper.cpp "
                            "source folder, or configure with -DVELTRINO_WHISPER=OFF")
    endif()
    set(_vw_npm "${VELTRINO_NPM}")
endif()

# Release, tuned for the CPU it is built on, OpenMP threads, whisper and ggml linked statically so the
# "whisper" folder can be moved. Empty flags keep CFLAGS/CXXFLAGS from the environment out.
set(_vw_options
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DGGML_NATIVE=ON
    -DGGML_OPENMP=ON
    -DGGML_CCACHE=OFF
    -DWHISPER_BUILD_TESTS=OFF
    -DWHISPER_BUILD_EXAMPLES=ON
    -DWHISPER_BUILD_SERVER=OFF
    -DWHISPER_CURL=OFF
    -DWHISPER_SDL2=OFF
    -DCMAKE_C_FLAGS=
    -DCMAKE_CXX_FLAGS=
    -DCMAKE_EXE_LINKER_FLAGS=
    -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
    -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})

# The native flags depend on the processor, so it is part of the key as well as the compiler.
cmake_host_system_information(RESULT _vw_cpu QUERY PROCESSOR_DESCRIPTION)
string(SHA256 _vw_key "${_vw_identity}|${_vw_options}|${CMAKE_CXX_COMPILER_ID}-${CMAKE_CXX_COMPILER_VERSION}|${_vw_cpu}")
string(SUBSTRING "${_vw_key}" 0 12 _vw_key)
set(VELTRINO_WHISPER_BUILD_DIR "${VELTRINO_WHISPER_CACHE_DIR}/${_vw_version}-${_vw_key}" CACHE INTERNAL
    "Cache folder of the whisper-cli build this tree uses")

set(_vw_config "${CMAKE_BINARY_DIR}/whisper-build-config.cmake")
set(_vw_config_text "# Written by third_party/whisper.cmake; read by third_party/whisper-build.cmake.
set(WB_CACHE_ROOT [=[${VELTRINO_WHISPER_CACHE_DIR}]=])
set(WB_DIR [=[${VELTRINO_WHISPER_BUILD_DIR}]=])
set(WB_SOURCE [=[${_vw_source}]=])
set(WB_VERSION [=[${_vw_version}]=])
set(WB_NPM [=[${_vw_npm}]=])
set(WB_PACKAGE [=[${_vw_package}]=])
set(WB_PACKAGE_FILE [=[${_vw_package_file}]=])
set(WB_PACKAGE_INTEGRITY [=[${_vw_package_integrity}]=])
set(WB_PACKAGE_SHA512 [=[${_vw_package_sha512}]=])
set(WB_GENERATOR [=[${CMAKE_GENERATOR}]=])
set(WB_MAKE_PROGRAM [=[${CMAKE_MAKE_PROGRAM}]=])
set(WB_OPTIONS [=[${_vw_options}]=])
set(WB_DESTINATION [=[${VELTRINO_BIN_DIR}/whisper]=])
")
# Rewritten only when it changes, so a plain re-configure does not make the copy step stale.
if(EXISTS "${_vw_config}")
    file(READ "${_vw_config}" _vw_old_config)
else()
    set(_vw_old_config "")
endif()
if(NOT _vw_old_config STREQUAL _vw_config_text)
    file(WRITE "${_vw_config}" "${_vw_config_text}")
endif()

set(VELTRINO_WHISPER_CLI "${VELTRINO_BIN_DIR}/whisper/whisper-cli${CMAKE_EXECUTABLE_SUFFIX}")
add_custom_command(
    OUTPUT "${VELTRINO_WHISPER_CLI}"
    COMMAND "${CMAKE_COMMAND}" -DWB_CONFIG=${_vw_config} -P "${CMAKE_CURRENT_LIST_DIR}/whisper-build.cmake"
    DEPENDS "${_vw_config}" "${CMAKE_CURRENT_LIST_DIR}/whisper-build.cmake"
    COMMENT "whisper-cli (whisper.cpp ${_vw_version})"
    USES_TERMINAL
    VERBATIM)
add_custom_target(whisper_cli ALL DEPENDS "${VELTRINO_WHISPER_CLI}")
