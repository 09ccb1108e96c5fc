# VRIO_SANITIZE=address,undefined or thread: applied to every target, including the tests.
if(VRIO_SANITIZE)
  add_compile_options(-fsanitize=${VRIO_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${VRIO_SANITIZE})
  if(VRIO_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
