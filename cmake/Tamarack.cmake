# Shared build rules: the warnings of our own code, the sanitizer switches, and the helpers that
# keep toolkit-free libraries apart from the Qt ones.

# Off by default: a newer compiler than ours may add warnings, and must still build the program.
# scripts/test and CI turn it on, where we know the compiler.
option(TAMARACK_WERROR "Treat warnings in Tamarack's own code as errors" OFF)

set(TAMARACK_SANITIZER_FLAGS "")
if(TAMARACK_SANITIZE)
  set(TAMARACK_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
endif()
if(TAMARACK_TSAN)
  if(TAMARACK_SANITIZE OR TAMARACK_FUZZ)
    message(FATAL_ERROR "ThreadSanitizer does not combine with AddressSanitizer: use another build folder")
  endif()
  set(TAMARACK_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()
if(TAMARACK_FUZZ)
  list(APPEND TAMARACK_SANITIZER_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
endif()

function(tamarack_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
  if(MINGW)
    # The runtime's localtime_r and gmtime_r, which it only declares on request.
    target_compile_definitions(${target} PRIVATE _POSIX_THREAD_SAFE_FUNCTIONS=200112L)
  endif()
  if(TAMARACK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(TAMARACK_SANITIZER_FLAGS)
    target_compile_options(${target} PRIVATE ${TAMARACK_SANITIZER_FLAGS})
    target_link_options(${target} PRIVATE ${TAMARACK_SANITIZER_FLAGS})
  endif()
endfunction()

# A library that must build without any window system: it never links Qt, so a stray Qt include
# fails to compile.
function(tamarack_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  tamarack_options(${name})
endfunction()

# A library of windows and platform glue on top of Qt.
function(tamarack_qt_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  tamarack_options(${name})
endfunction()
