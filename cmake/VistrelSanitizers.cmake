# Sanitized builds, for scripts/test --sanitize and scripts/fuzz.
#   VISTREL_SANITIZE=address  AddressSanitizer with UndefinedBehaviorSanitizer,
#                             float-cast-overflow included (gcc leaves it out of
#                             "undefined"), and no recovery: the first report ends
#                             the program.
#   VISTREL_SANITIZE=thread   ThreadSanitizer.
#   VISTREL_FUZZ=ON           clang only: the address set plus libFuzzer's
#                             coverage hooks; tests/fuzz then builds fuzzers.
# The flags go on every target, libraries included. VISTREL_SANITIZER_ENVIRONMENT
# holds the runtime options the tests get (tests/CMakeLists.txt), with the
# suppression files of tests/sanitizers.
set(VISTREL_SANITIZE "" CACHE STRING "Build with sanitizers: address, thread or empty")
set_property(CACHE VISTREL_SANITIZE PROPERTY STRINGS "" address thread)
option(VISTREL_FUZZ "Build the libFuzzer targets of tests/fuzz (clang)" OFF)

set(VISTREL_SANITIZER_ENVIRONMENT "")
set(vistrel_suppressions ${CMAKE_SOURCE_DIR}/tests/sanitizers)
set(vistrel_address_flags -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all)

if(VISTREL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "VISTREL_FUZZ needs clang (libFuzzer); scripts/fuzz sets it up")
    endif()
    if(VISTREL_SANITIZE)
        message(FATAL_ERROR "VISTREL_FUZZ brings its own sanitizers: leave VISTREL_SANITIZE empty")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link ${vistrel_address_flags} -fno-omit-frame-pointer)
    add_link_options(${vistrel_address_flags})
elseif(VISTREL_SANITIZE STREQUAL "address")
    add_compile_options(${vistrel_address_flags} -fno-omit-frame-pointer)
    add_link_options(${vistrel_address_flags})
    # verify_asan_link_order=0: the real-bridge tests re-run themselves with
    # umockdev's preload library ahead of the ASan runtime.
    # fast_unwind_on_malloc=0: Qt has no frame pointers, so only the slow
    # unwinder sees through it to the frames the leak suppressions name.
    list(APPEND VISTREL_SANITIZER_ENVIRONMENT
        "ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:verify_asan_link_order=0:fast_unwind_on_malloc=0"
        "LSAN_OPTIONS=suppressions=${vistrel_suppressions}/lsan.supp:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
elseif(VISTREL_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
    # ignore_noninstrumented_modules=1: Qt, FFmpeg, GDAL and umockdev are not
    # built with TSan, so what they do inside the allocator, memcpy or pthread
    # calls is not checked. Without it every QThread, queued signal and Qt
    # thread pool task reports races on Qt's own data, ordered by Qt's futex
    # mutexes that TSan cannot see. Accesses made by project code, also to
    # Qt-owned memory, are still checked.
    list(APPEND VISTREL_SANITIZER_ENVIRONMENT
        "TSAN_OPTIONS=suppressions=${vistrel_suppressions}/tsan.supp:second_deadlock_stack=1:ignore_noninstrumented_modules=1")
elseif(VISTREL_SANITIZE)
    message(FATAL_ERROR "VISTREL_SANITIZE must be address, thread or empty, not '${VISTREL_SANITIZE}'")
endif()
