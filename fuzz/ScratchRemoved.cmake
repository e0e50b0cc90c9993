# Runs after the corpus replays: fails when a replay left its scratch folder
# (marrowick-fuzz-PID) in the temporary folder FOLDER they were given, and
# removes what it found so the next run starts clean.
file(GLOB left LIST_DIRECTORIES true "${FOLDER}/marrowick-fuzz-*")
if(left)
  file(REMOVE_RECURSE ${left})
  message(FATAL_ERROR "The corpus replays left their scratch folders behind: ${left}")
endif()
