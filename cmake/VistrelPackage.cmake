# Man pages, AppStream metainfo, the licence, and the Debian package
# (cpack -G DEB in the build folder). Included after every folder, so each
# installed program that exists in this build gets its man page and its line
# in the metainfo.
include(GNUInstallDirs)
set(linux_dir ${PROJECT_SOURCE_DIR}/resources/linux)
set(package_dir ${PROJECT_BINARY_DIR}/package)

# FILE.gz made from FILE the way Debian ships man pages and changelogs:
# -9, and -n for no name or time stamp, so builds are identical.
function(vistrel_gzip file)
    add_custom_command(OUTPUT ${file}.gz
        COMMAND gzip -9 -n -k -f ${file}
        DEPENDS ${file}
        VERBATIM)
endfunction()

set(VISTREL_PROGRAMS)
foreach(program vistrel vistrel-virtual vistrelctl vistrel-wire)
    if(TARGET ${program})
        list(APPEND VISTREL_PROGRAMS ${program})
    endif()
endforeach()

# Man pages: roff kept by hand, the version and date filled in, gzipped.
# Text that several pages share is written once, in man/NAME.man, and stands
# in a page as @VISTREL_MAN_NAME@ (autoplay.man: @VISTREL_MAN_AUTOPLAY@).
file(GLOB man_fragments ${linux_dir}/man/*.man)
foreach(fragment IN LISTS man_fragments)
    get_filename_component(name ${fragment} NAME_WE)
    string(TOUPPER ${name} name)
    file(READ ${fragment} text)
    string(REGEX REPLACE "\n$" "" VISTREL_MAN_${name} "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${fragment})
endforeach()
set(man_pages)
foreach(program IN LISTS VISTREL_PROGRAMS)
    set(page ${package_dir}/man/${program}.1)
    configure_file(${linux_dir}/man/${program}.1.in ${page} @ONLY)
    vistrel_gzip(${page})
    list(APPEND man_pages ${page}.gz)
endforeach()
add_custom_target(vistrel_man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The addresses that hang off the home page, only when there is one.
set(VISTREL_METAINFO_URLS "")
if(VISTREL_HOMEPAGE)
    set(VISTREL_METAINFO_URLS "  <url type=\"homepage\">${VISTREL_HOMEPAGE}</url>
  <url type=\"bugtracker\">${VISTREL_HOMEPAGE}/issues</url>
  <screenshots>
    <screenshot type=\"default\">
      <caption>The console with a checkerboard lit, beside the virtual panel</caption>
      <image type=\"source\" width=\"1600\" height=\"900\">${VISTREL_HOMEPAGE}/raw/main/docs/screenshot.png</image>
    </screenshot>
  </screenshots>
")
endif()

set(VISTREL_METAINFO_BINARIES)
foreach(program IN LISTS VISTREL_PROGRAMS)
    string(APPEND VISTREL_METAINFO_BINARIES "    <binary>${program}</binary>\n")
endforeach()
string(STRIP "${VISTREL_METAINFO_BINARIES}" VISTREL_METAINFO_BINARIES)
set(VISTREL_METAINFO_BINARIES "    ${VISTREL_METAINFO_BINARIES}")
configure_file(${linux_dir}/${VISTREL_APP_ID}.metainfo.xml.in
               ${package_dir}/${VISTREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${package_dir}/${VISTREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The licence as Debian's machine-readable copyright file (MIT is "Expat"
# there): its body indented by one space, empty lines written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" unused "${license}")
set(VISTREL_COPYRIGHT "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*\n\n(Permission)" "\\1" body "${license}")
string(STRIP "${body}" body)
string(REPLACE "\n\n" "\n.\n" body "${body}")
string(REPLACE "\n" "\n " VISTREL_LICENSE_BODY " ${body}")
set(VISTREL_COPYRIGHT_SOURCE "")
if(VISTREL_HOMEPAGE)
    set(VISTREL_COPYRIGHT_SOURCE "Source: ${VISTREL_HOMEPAGE}\n")
endif()
configure_file(${linux_dir}/copyright.in ${package_dir}/copyright @ONLY)
install(FILES ${package_dir}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vistrel)

# Debian wants a maintainer with a mail address (lintian: malformed-contact
# without one), and the project has no address yet: the default is a
# placeholder in the reserved .invalid domain (RFC 2606), which reaches nobody.
# A real build sets its own.
set(VISTREL_PACKAGE_MAINTAINER "Vistrel developers <maintainers@vistrel.invalid>"
    CACHE STRING "Maintainer of the Debian package and its changelog: \"Name <address>\"")

# The changelog: Debian's format, kept by hand with one entry per release,
# the newest on top; the maintainer filled in, gzipped.
# The version has no Debian revision (the package is built here, not from a
# Debian source package), so it is a native package's changelog.gz.
set(changelog ${package_dir}/changelog)
configure_file(${linux_dir}/changelog.in ${changelog} @ONLY)
vistrel_gzip(${changelog})
add_custom_target(vistrel_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vistrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vistrel)
set(CPACK_PACKAGE_VENDOR "The Vistrel developers")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VISTREL_HOMEPAGE}")  # empty: no Homepage field
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control console for TFT test panels behind an FTDI USB bridge")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VISTREL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vistrel finds and opens an FTDI bridge in synchronous FIFO mode, sets the
panel's drive voltages, lights test patterns, and shows a JPEG picture or
plays an MP4 video on the panel with a live preview.
.
vistrel-virtual runs the same console on emulated bridges with a window that
shows what the panel received; vistrel-wire decodes captured wire logs.")
include(CPack)
