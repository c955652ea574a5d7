# OpenCV: the four modules we use. Debian ships the CMake package only with
# the full libopencv-dev; the per-module -dev packages are enough to build,
# so fall back to locating headers and libraries directly.
set(VISTREL_OPENCV_MODULES core imgproc imgcodecs videoio)
add_library(vistrel_opencv INTERFACE)

find_package(OpenCV 4 QUIET COMPONENTS ${VISTREL_OPENCV_MODULES})
if(OpenCV_FOUND)
    target_include_directories(vistrel_opencv SYSTEM INTERFACE ${OpenCV_INCLUDE_DIRS})
    target_link_libraries(vistrel_opencv INTERFACE ${OpenCV_LIBS})
else()
    find_path(VISTREL_OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
    target_include_directories(vistrel_opencv SYSTEM INTERFACE ${VISTREL_OPENCV_INCLUDE_DIR})
    foreach(module IN LISTS VISTREL_OPENCV_MODULES)
        find_library(VISTREL_OPENCV_${module}_LIBRARY opencv_${module} REQUIRED)
        target_link_libraries(vistrel_opencv INTERFACE ${VISTREL_OPENCV_${module}_LIBRARY})
    endforeach()
endif()
