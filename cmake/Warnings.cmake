# Warning set shared by every target of the project.
function(vrio_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wformat=2 -Wundef -Wcast-align
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual>
    $<$<COMPILE_LANGUAGE:C>:-Wstrict-prototypes>)
  if(VRIO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
