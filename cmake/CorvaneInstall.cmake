# Install rules of the programs, bundles and libraries, the exported CMake
# package, the pkg-config file and the Debian packages (CPack).
