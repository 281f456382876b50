# The song core on its own, on the offline device: editing rules, the editor's audition,
# column voicing and the sample bank. It links the core and the sound component the core
# drives, and no Qt Widgets or Gui.
pomvik_gtest(core_test
  SOURCES core_columns_test.cpp core_editing_test.cpp core_input_test.cpp core_sequencer_test.cpp
          core_sound_test.cpp
  LIBS pomvik_core pomvik_sound)
target_compile_definitions(core_test PRIVATE POMVIK_SAMPLE_FOLDER="${PROJECT_BINARY_DIR}")
add_dependencies(core_test waves)

# Every library the core links, directly or through another, as the build states it; a
# test reads the list. Link-only entries count: they end up in every program that links
# the core.
function(pomvik_link_closure target result)
  set(seen)
  set(todo ${target})
  list(LENGTH todo left)
  while(left GREATER 0)
    list(POP_FRONT todo name)
    if(NOT name IN_LIST seen AND TARGET ${name})
      list(APPEND seen ${name})
      get_target_property(imported ${name} IMPORTED)
      get_target_property(type ${name} TYPE)
      set(properties INTERFACE_LINK_LIBRARIES)
      if(NOT imported AND NOT type STREQUAL "INTERFACE_LIBRARY")
        list(APPEND properties LINK_LIBRARIES)
      endif()
      foreach(property ${properties})
        get_target_property(libraries ${name} ${property})
        if(libraries)
          list(TRANSFORM libraries REPLACE "^\\$<LINK_ONLY:(.+)>$" "\\1")
          list(APPEND todo ${libraries})
        endif()
      endforeach()
    endif()
    list(LENGTH todo left)
  endwhile()
  set(${result} ${seen} PARENT_SCOPE)
endfunction()
pomvik_link_closure(pomvik_core POMVIK_CORE_LINKS)
list(JOIN POMVIK_CORE_LINKS "\n" POMVIK_CORE_LINKS)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/pomvik_core.links "${POMVIK_CORE_LINKS}\n")

# Neither the core's links nor the core test program may reach Qt Widgets or Qt Gui; the
# check must also see them where they are.
add_test(NAME CoreLinksNoWidgets
  COMMAND ${CMAKE_COMMAND} -DLINKS=${CMAKE_CURRENT_BINARY_DIR}/pomvik_core.links
          -DPROGRAM=$<TARGET_FILE:core_test> -P ${CMAKE_CURRENT_LIST_DIR}/LoadsNoWidgets.cmake)
add_test(NAME WidgetCheckSeesAWindowTest
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:winsize_test>
          -P ${CMAKE_CURRENT_LIST_DIR}/LoadsNoWidgets.cmake)
set_tests_properties(WidgetCheckSeesAWindowTest
  PROPERTIES PASS_REGULAR_EXPRESSION "loads libQt6Widgets")

# Nothing the program's own code does inside a pull allocates: operator new is counted on
# the output's thread, so the suite has a program of its own.
pomvik_gtest(pull_allocation_test SOURCES pull_allocation_test.cpp LIBS pomvik_core pomvik_sound)
target_compile_definitions(pull_allocation_test PRIVATE POMVIK_SAMPLE_FOLDER="${PROJECT_BINARY_DIR}")
add_dependencies(pull_allocation_test waves)
target_link_options(pull_allocation_test PRIVATE -rdynamic)  # names in the traces
