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

# A Unix path as Wine sees it (drive Z: maps the Unix root), for paths compiled into Windows tests.
function(kalvento_wine_path out path)
    set(${out} "Z:${path}" PARENT_SCOPE)
endfunction()
