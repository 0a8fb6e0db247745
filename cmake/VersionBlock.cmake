# Builds the version block the executable carries.
add_library(veltrino_version_block INTERFACE)
