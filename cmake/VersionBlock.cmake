# Builds the version block the executable carries.
#
# A small host tool serialises the project's version and names into the VS_VERSIONINFO layout and
# writes them as a byte array placed in the ELF section ".veltrino_ver". Any executable that links
# veltrino_version_block carries that section, and GetEXEVersionData reads it back from the file.

set(VELTRINO_FILE_DESCRIPTION "${VELTRINO_PRODUCT} - audio to timed lyrics and subtitles"
    CACHE STRING "FileDescription value of the version block")
string(TIMESTAMP VELTRINO_COPYRIGHT_YEAR "%Y" UTC)
set(VELTRINO_COPYRIGHT "Copyright (C) ${VELTRINO_COPYRIGHT_YEAR} ${VELTRINO_COMPANY}"
    CACHE STRING "LegalCopyright value of the version block")

add_executable(veltrino_version_block_gen
    ${CMAKE_CURRENT_LIST_DIR}/../tools/GenerateVersionBlock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../src/services/VersionBlockWriter.cpp)
target_include_directories(veltrino_version_block_gen PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../src)
set_target_properties(veltrino_version_block_gen PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
# A build step gains nothing from the sanitizers and must not fail on their reports.
target_compile_options(veltrino_version_block_gen PRIVATE -fno-sanitize=all)
target_link_options(veltrino_version_block_gen PRIVATE -fno-sanitize=all)

set(VELTRINO_VERSION_BLOCK_SOURCE ${CMAKE_BINARY_DIR}/generated/veltrino_version_block.cpp)
# English (United States) with the Unicode code page: the table key is 040904B0.
add_custom_command(
    OUTPUT ${VELTRINO_VERSION_BLOCK_SOURCE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND veltrino_version_block_gen ${VELTRINO_VERSION_BLOCK_SOURCE} ${PROJECT_VERSION} 0409 04B0
        "CompanyName=${VELTRINO_COMPANY}"
        "FileDescription=${VELTRINO_FILE_DESCRIPTION}"
        "FileVersion=${PROJECT_VERSION}"
        "InternalName=${VELTRINO_PRODUCT}"
        "LegalCopyright=${VELTRINO_COPYRIGHT}"
        "OriginalFilename=${VELTRINO_PRODUCT}"
        "ProductName=${VELTRINO_PRODUCT}"
        "ProductVersion=${PROJECT_VERSION}"
    DEPENDS veltrino_version_block_gen
    COMMENT "Generating the version block"
    VERBATIM)

# An object library, so its objects go straight into every executable that links it (a static
# library member that nothing references would be dropped by the linker).
add_library(veltrino_version_block OBJECT ${VELTRINO_VERSION_BLOCK_SOURCE})
set_target_properties(veltrino_version_block PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
# Plain data: no redzones around it, so the section holds the block alone.
target_compile_options(veltrino_version_block PRIVATE -fno-sanitize=all)
