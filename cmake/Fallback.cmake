# A dependency that the machine lacks is fetched with FetchContent, pinned to
# a release; a failed download never stops the configure step. What could
# not be had is written to missing.txt in the build folder, which `make test`
# shows last, and the tests that need it fail saying so.

include(FetchContent)

set(missing_file ${CMAKE_BINARY_DIR}/missing.txt)
file(REMOVE ${missing_file})

# Notes in missing.txt what to install for NAME: the Debian, Fedora and
# Homebrew package names.
function(note_missing what debian fedora homebrew)
  file(APPEND ${missing_file}
    "${what} is missing and could not be downloaded. Install it:\n"
    "  Debian/Ubuntu: sudo apt-get install ${debian}\n"
    "  Fedora:        sudo dnf install ${fedora}\n"
    "  Homebrew:      brew install ${homebrew}\n")
endfunction()

# Declares NAME from the release archive URL and makes it available, unless
# it can neither be found locally (FETCHCONTENT_SOURCE_DIR_<NAME>) nor
# downloaded. Sets <NAME>_FETCHED in the caller.
function(fetch_or_skip name url)
  string(TOUPPER ${name} upper)
  set(${name}_FETCHED FALSE PARENT_SCOPE)
  if(FETCHCONTENT_SOURCE_DIR_${upper})
    FetchContent_Declare(${name} SOURCE_DIR ${FETCHCONTENT_SOURCE_DIR_${upper}})
  elseif(FETCHCONTENT_FULLY_DISCONNECTED)
    return()
  else()
    get_filename_component(archive_name ${url} NAME)
    set(archive ${CMAKE_BINARY_DIR}/_downloads/${name}-${archive_name})
    if(NOT EXISTS ${archive})
      message(STATUS "Downloading ${name} from ${url}")
      file(DOWNLOAD ${url} ${archive}.part STATUS status TIMEOUT 60 INACTIVITY_TIMEOUT 20)
      list(GET status 0 code)
      if(NOT code EQUAL 0)
        list(GET status 1 reason)
        message(WARNING "Could not download ${name}: ${reason}")
        file(REMOVE ${archive}.part)
        return()
      endif()
      file(RENAME ${archive}.part ${archive})
    endif()
    FetchContent_Declare(${name} URL ${archive})
  endif()
  # Old minimum versions in the fetched projects: keep their targets in
  # the link-time optimisation rather than warn.
  set(CMAKE_POLICY_DEFAULT_CMP0069 NEW)
  FetchContent_MakeAvailable(${name})
  set(${name}_FETCHED TRUE PARENT_SCOPE)
endfunction()
