# SPDX-License-Identifier: GPL-3.0-or-later
# Every shipped catalogue complete for the texts in its program's sources as they are now.
set(groups)
foreach(program IN ITEMS agent:earlume settings:earlume_settings status:earlume_status)
    string(REPLACE ":" ";" parts ${program})
    list(GET parts 0 folder)
    list(GET parts 1 catalogue)
    set(catalogues)
    foreach(language IN LISTS EARLUME_LANGUAGES)
        list(APPEND catalogues ${PROJECT_SOURCE_DIR}/${folder}/translations/${catalogue}_${language}.ts)
    endforeach()
    list(JOIN catalogues "," catalogues)
    list(APPEND groups "${PROJECT_SOURCE_DIR}/${folder}=${catalogues}")
endforeach()
add_test(NAME TestTranslationsComplete
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/check-translations.py $<TARGET_FILE:Qt6::lupdate> ${groups})
set_tests_properties(TestTranslationsComplete PROPERTIES LABELS unit)
