#ifndef VARNIC_COM_RESOURCES_H_
#define VARNIC_COM_RESOURCES_H_

#include <string>
#include <string_view>

// Modules carry their resources (type library, registration script, strings) in an ELF section
// named ".varnic_rsrc": the text "VRSRC1", then for each resource its type, its decimal id and
// its bytes, each ended by a NUL. A module declares it with VARNIC_RESOURCE_SECTION.
#define VARNIC_RESOURCE_SECTION __attribute__((used, section(".varnic_rsrc")))

namespace varnic::com {

// Reads resource (type, id) from the module file at `path` without loading it.
bool FindModuleResource(const std::string& path, std::string_view type, int id, std::string& data);

// Finds resource (type, id) in the bytes of a resource section, such as a module's own in memory.
bool FindResource(std::string_view section, std::string_view type, int id, std::string_view& data);

}  // namespace varnic::com

#endif  // VARNIC_COM_RESOURCES_H_
