#ifndef VARNIC_TESTS_SUPPORT_JSON_SCHEMA_H_
#define VARNIC_TESTS_SUPPORT_JSON_SCHEMA_H_

#include <cstdlib>
#include <string>

namespace varnic::testing {

// Whether python3-jsonschema is here to check documents against the published schemas; a test
// that needs it skips, saying so, where it is not.
inline bool HaveJsonSchema() {
  return std::system("/usr/bin/python3 -c 'import jsonschema' 2>/dev/null") == 0;
}

// Whether the JSON document at `path` validates against `schema`, a file name under docs/.
inline bool ValidatesAgainst(const std::string& path, const std::string& schema) {
  const std::string check =
      "/usr/bin/python3 -c 'import json,sys,jsonschema; "
      "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))' " +
      path + " " VARNIC_SOURCE_DIR "/docs/" + schema;
  return std::system(check.c_str()) == 0;
}

}  // namespace varnic::testing

#endif  // VARNIC_TESTS_SUPPORT_JSON_SCHEMA_H_
