# Fails, naming file and line, when a file includes a header its folder may
# not reach. Each row names a folder and the folders right below it; a folder
# may include its own headers and those of every folder below it, directly or
# through others. The longest matching row holds a file. QtCore, QtGui and
# QtWidgets stand for Qt's modules, so "no widget below the window layer" is
# the same rule as "no include that runs upward". A folder with sources and
# no row fails too: a new folder is one row here, and its name in the rows
# of the folders that use it.
cmake_policy(VERSION 3.16)

set(layers
    "cmake             :"
    "protocol          : cmake"
    "device            : protocol"
    "display           : device QtGui"
    "session           : display"
    "cmdline           : cmake QtCore"
    "remote            : session QtNetwork"
    "cli               : session remote cmdline"
    "widgets           : QtWidgets"
    "widgets/demo      : widgets cmdline"
    "resources         : QtGui"
    "app/virtual_panel : device QtWidgets"
    "app               : app/virtual_panel session remote widgets resources cmdline"
    "bench             : app/virtual_panel session remote cmdline"
    "emulation         :"
    "tests             : *"
    "QtCore            :"
    "QtGui             : QtCore"
    "QtWidgets         : QtGui"
    "QtNetwork         : QtCore")

# SOURCE_DIR: the checkout; QT_MODULE_DIRS: Module=include folder pairs.
set(qt_modules "")
foreach(pair IN LISTS QT_MODULE_DIRS)
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 module)
    list(GET pair 1 folder)
    list(APPEND qt_modules ${module})
    file(GLOB names RELATIVE "${folder}" "${folder}/*")
    foreach(name IN LISTS names)
        set("owner_of_${name}" ${module})
    endforeach()
endforeach()

set(rows "")
foreach(row IN LISTS layers)
    string(REGEX MATCH "^([^ :]+) *:(.*)$" matched "${row}")
    set(key ${CMAKE_MATCH_1})
    string(STRIP "${CMAKE_MATCH_2}" below)
    string(REPLACE " " ";" below "${below}")
    list(FILTER below EXCLUDE REGEX "^$")
    list(APPEND rows ${key})
    set("below_${key}" ${below})
endforeach()
foreach(key IN LISTS rows)
    foreach(name IN LISTS "below_${key}")
        if(NOT name STREQUAL "*" AND NOT name IN_LIST rows)
            message(FATAL_ERROR "layering table: '${key}' names '${name}', which has no row")
        endif()
    endforeach()
endforeach()

# Everything a folder may reach: its own row, then the rows of those, ...
foreach(key IN LISTS rows)
    set(reach ${below_${key}})
    set(index 0)
    list(LENGTH reach count)
    while(index LESS count)
        list(GET reach ${index} name)
        if(NOT name STREQUAL "*")
            list(APPEND reach ${below_${name}})
            list(REMOVE_DUPLICATES reach)
            list(LENGTH reach count)
        endif()
        math(EXPR index "${index} + 1")
    endwhile()
    set("reach_${key}" ${key} ${reach})
endforeach()

# The row that holds a file: the longest key its path starts with.
function(row_of path out)
    set(best "")
    foreach(key IN LISTS rows)
        string(LENGTH "${key}" length)
        string(LENGTH "${best}" best_length)
        string(FIND "${path}/" "${key}/" at)
        if(at EQUAL 0 AND length GREATER best_length)
            set(best ${key})
        endif()
    endforeach()
    set(${out} "${best}" PARENT_SCOPE)
endfunction()

# The checkout's sources, build folders left out; and who owns each header
# name (ui_X.h belongs with X.ui, X.h with a template X.h.in).
set(sources "")
file(GLOB tops RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
foreach(top IN LISTS tops)
    if(IS_DIRECTORY "${SOURCE_DIR}/${top}" AND NOT top MATCHES "^\\." AND NOT EXISTS "${SOURCE_DIR}/${top}/CMakeCache.txt")
        file(GLOB_RECURSE found RELATIVE "${SOURCE_DIR}"
            "${SOURCE_DIR}/${top}/*.h" "${SOURCE_DIR}/${top}/*.hpp" "${SOURCE_DIR}/${top}/*.cpp"
            "${SOURCE_DIR}/${top}/*.ui" "${SOURCE_DIR}/${top}/*.h.in")
        list(APPEND sources ${found})
    endif()
endforeach()
set(offences "")
foreach(source IN LISTS sources)
    get_filename_component(name "${source}" NAME)
    if(name MATCHES "\\.cpp$")
        continue()
    endif()
    string(REGEX REPLACE "^(.+)\\.ui$" "ui_\\1.h" name "${name}")
    string(REGEX REPLACE "\\.h\\.in$" ".h" name "${name}")
    if(DEFINED "header_${name}")
        string(APPEND offences "  two headers named ${name}: ${header_${name}} and ${source}\n")
    endif()
    set("header_${name}" "${source}")
endforeach()

# The folder row an include reaches, or nothing for a library outside Qt.
function(target_of source included out)
    get_filename_component(folder "${SOURCE_DIR}/${source}" DIRECTORY)
    get_filename_component(name "${included}" NAME)
    string(REGEX MATCH "^[A-Za-z]+" first "${included}")
    if(included MATCHES "/" AND EXISTS "${folder}/${included}")
        file(RELATIVE_PATH path "${SOURCE_DIR}" "${folder}/${included}")
        row_of("${path}" row)
    elseif(DEFINED "header_${name}")
        row_of("${header_${name}}" row)
    elseif(included MATCHES "/" AND first IN_LIST qt_modules)
        set(row ${first})
    elseif(DEFINED "owner_of_${name}")
        set(row ${owner_of_${name}})
    else()
        set(row "")
    endif()
    set(${out} "${row}" PARENT_SCOPE)
endfunction()

set(scanned 0)
foreach(source IN LISTS sources)
    if(source MATCHES "\\.(ui|h\\.in)$")
        continue()
    endif()
    row_of("${source}" row)
    if(NOT row)
        string(APPEND offences "  ${source}: its folder has no row in the layering table\n")
        continue()
    endif()
    math(EXPR scanned "${scanned} + 1")
    file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
            continue()
        endif()
        target_of("${source}" "${CMAKE_MATCH_1}" reached)
        if(reached AND NOT reached IN_LIST "reach_${row}" AND NOT "*" IN_LIST "reach_${row}")
            string(APPEND offences "  ${source} (${row}) reaches ${reached}: ${line}\n")
        endif()
    endforeach()
endforeach()

if(scanned EQUAL 0 OR NOT qt_modules)
    message(FATAL_ERROR "nothing to check below ${SOURCE_DIR} (QT_MODULE_DIRS: ${QT_MODULE_DIRS})")
endif()
if(offences)
    message(FATAL_ERROR "includes that break the layers:\n${offences}")
endif()
message(STATUS "${scanned} files: every include stays within its folder's layers")
