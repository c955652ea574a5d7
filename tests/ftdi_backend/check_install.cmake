# Installs the build into PREFIX and checks that a Linux desktop would find
# everything: run with -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(
    COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(id io.github.vistrel.Vistrel)
set(expected_files
    bin/vistrel
    bin/vistrel-virtual
    bin/vistrelctl
    bin/vistrel-wire
    share/man/man1/vistrel.1.gz
    share/man/man1/vistrel-virtual.1.gz
    share/man/man1/vistrelctl.1.gz
    share/man/man1/vistrel-wire.1.gz
    lib/udev/rules.d/70-vistrel-ftdi.rules
    share/applications/${id}.desktop
    share/metainfo/${id}.metainfo.xml
    share/icons/hicolor/48x48/apps/${id}.png
    share/icons/hicolor/256x256/apps/${id}.png
    share/doc/vistrel/copyright)
foreach(relative IN LISTS expected_files)
    if(NOT EXISTS "${PREFIX}/${relative}")
        message(FATAL_ERROR "not installed: ${relative}\n${output}")
    endif()
endforeach()
foreach(program vistrel vistrel-virtual vistrelctl vistrel-wire)
    if(IS_DIRECTORY "${PREFIX}/bin/${program}")
        message(FATAL_ERROR "bin/${program} is not a program")
    endif()
    execute_process(COMMAND test -x "${PREFIX}/bin/${program}" RESULT_VARIABLE not_executable)
    if(NOT not_executable EQUAL 0)
        message(FATAL_ERROR "bin/${program} is not executable")
    endif()
endforeach()

# The desktop entry starts the installed console and names the installed icon.
file(STRINGS "${PREFIX}/share/applications/${id}.desktop" entry)
foreach(line "[Desktop Entry]" "Type=Application" "Exec=vistrel" "Icon=${id}")
    list(FIND entry "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${id}.desktop lacks the line ${line}")
    endif()
endforeach()

# The rule grants access to each of the five bridge products.
file(READ "${PREFIX}/lib/udev/rules.d/70-vistrel-ftdi.rules" rules)
foreach(product 6001 6010 6011 6014 6015)
    if(NOT rules MATCHES "ATTR{idProduct}==\"${product}\"[^\n]*TAG\\+=\"uaccess\"")
        message(FATAL_ERROR "the udev rule does not give access to product ${product}")
    endif()
endforeach()
if(NOT rules MATCHES "ATTR{idVendor}!=\"0403\"")
    message(FATAL_ERROR "the udev rule is not limited to FTDI's vendor id")
endif()
message(STATUS "installed into ${PREFIX}: ${expected_files}")
