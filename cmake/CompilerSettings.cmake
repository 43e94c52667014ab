# Warnings, sanitizers and the toolkit's strictness switches for every target below.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
                    -Woverloaded-virtual -Wformat=2)
if(HALVIK_WERROR)
    add_compile_options(-Werror)
endif()

# An API client never turns text into a URL or bytes into text without saying how.
add_compile_definitions(QT_NO_URL_CAST_FROM_STRING QT_NO_CAST_FROM_BYTEARRAY
                        QT_USE_QSTRINGBUILDER QT_NO_DEBUG_OUTPUT QT_DEPRECATED_WARNINGS)

if(HALVIK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()
