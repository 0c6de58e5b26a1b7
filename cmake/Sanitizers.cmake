# REVUZIVA_SANITIZER=address instruments everything with ASan+UBSan (and, with
# clang, with the coverage libFuzzer needs); =thread instruments with TSan.
if(REVUZIVA_SANITIZER STREQUAL "address")
  set(REVUZIVA_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
elseif(REVUZIVA_SANITIZER STREQUAL "thread")
  set(REVUZIVA_SANITIZE_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(REVUZIVA_SANITIZER)
  message(FATAL_ERROR "Unknown REVUZIVA_SANITIZER '${REVUZIVA_SANITIZER}'")
endif()

if(REVUZIVA_SANITIZE_FLAGS)
  add_compile_options(${REVUZIVA_SANITIZE_FLAGS})
  add_link_options(${REVUZIVA_SANITIZE_FLAGS})
endif()

set(REVUZIVA_FUZZ OFF)
if(REVUZIVA_SANITIZER STREQUAL "address" AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(REVUZIVA_FUZZ ON)
endif()

# With libFuzzer available the library carries its coverage hooks, so the
# fuzz targets see into the parsers they drive.
function(revuziva_instrument_library target)
  if(REVUZIVA_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
