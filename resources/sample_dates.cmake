# Version control keeps no modification times: the sample files get theirs
# here, in UTC, so that they are the same whoever builds them.
set(SAMPLE_DATES
  "sample1/notes-2019.txt=201903140930"
  "sample1/report-2021.csv=202108311200"
  "sample1/list-2024.txt=202402291815"
  "sample2/holiday-2016.txt=201607040800"
  "sample2/minutes-2023.txt=202311201430"
  "sample2/letter-2008.txt=200801150700"
)
foreach(entry IN LISTS SAMPLE_DATES)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 file)
  list(GET parts 1 stamp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC0 touch -m -t ${stamp} "${SAMPLES}/${file}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
