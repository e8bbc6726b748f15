# Shared target settings and helpers for both builds.

function(kalvento_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic $<$<BOOL:${KALVENTO_WERROR}>:-Werror>)
    # GCC 12 reports overlapping copies inside std::string concatenation that cannot happen (its bug 105329).
    if(CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12 AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(WIN32)
        # Windows-1252 texts are written as byte escapes; the A functions are called by name.
        target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    endif()
endfunction()

# The native core and its tests run with the sanitizers: a memory error fails a test instead of passing unseen.
function(kalvento_sanitize target)
    if(NOT WIN32 AND KALVENTO_SANITIZE)
        set(flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
        target_compile_options(${target} PRIVATE ${flags})
        target_link_options(${target} PUBLIC ${flags})
    endif()
endfunction()
