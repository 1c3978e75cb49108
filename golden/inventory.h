#ifndef VARNIC_GOLDEN_INVENTORY_H_
#define VARNIC_GOLDEN_INVENTORY_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnic::golden {

// The variables of one device: name -> value.
using CVariables = std::map<std::string, std::string, std::less<>>;

// The variables of every device of a fleet, read from --vars FILE.
struct CInventory {
  std::string path;  // the file, as messages name it
  std::map<std::string, CVariables, std::less<>> devices;

  // The row of the first of `names` the inventory holds, or null.
  const CVariables* Find(const std::vector<std::string>& names) const;
};

// Parses an inventory: JSON when its first byte that is no white space is "{" (an object keyed
// by device, each an object of variable -> string, number or boolean), CSV otherwise (a header
// row with a "device" column; quoted fields as RFC 4180 has them; an empty cell holds no value).
// False, with a message naming the file and the line, when it is malformed, lacks the device
// column or names a device twice.
bool ParseInventory(const std::string& path, std::string_view bytes, CInventory& inventory,
                    std::string& error);

// The names a target is looked up by, in order: its path relative to the directory argument it
// was found under (or as given), that path without its extension, and its file name without
// extension.
std::vector<std::string> DeviceNames(const std::string& path, const std::string& root = {});

}  // namespace varnic::golden

#endif  // VARNIC_GOLDEN_INVENTORY_H_
