# Shared settings for every target that is our own code.

function(tintsmith_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
    if(TINTSMITH_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# The core is the platform-free part of the program: it must never link a Qt target, directly or
# through another library. Checked once every target is known.
function(tintsmith_forbid_qt target)
    get_target_property(libs ${target} LINK_LIBRARIES)
    if(libs)
        foreach(lib IN LISTS libs)
            if(lib MATCHES "^Qt[0-9]*::" OR lib MATCHES "[Qq]t6")
                message(FATAL_ERROR "${target} links ${lib}: the core must not depend on Qt")
            endif()
            if(TARGET ${lib})
                get_target_property(type ${lib} TYPE)
                if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT lib MATCHES "::")
                    tintsmith_forbid_qt(${lib})
                endif()
            endif()
        endforeach()
    endif()
endfunction()
