# The one version of the project, from project(... VERSION ...), as a header:
# link vistrel_version and include "vistrel_version.h" for VISTREL_VERSION.
set(VISTREL_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/vistrel_version.h.in
               ${VISTREL_GENERATED_DIR}/vistrel_version.h @ONLY)
add_library(vistrel_version INTERFACE)
target_include_directories(vistrel_version INTERFACE ${VISTREL_GENERATED_DIR})

# The names a Linux desktop knows the console by: the reverse-DNS id names the
# desktop entry, the AppStream metainfo and the icons alike.
set(VISTREL_APP_ID io.github.vistrel.Vistrel)
# The project has no home page yet: empty leaves it out of the package's
# control fields, its copyright file and the metainfo (with the screenshot and
# bug tracker addresses, which hang off it).
set(VISTREL_HOMEPAGE "" CACHE STRING "The project's home page (https://...), for the package metadata; empty: none")
# The hicolor theme's sizes the icon is installed in.
set(VISTREL_ICON_SIZES 16 22 24 32 48 64 128 256 512)
