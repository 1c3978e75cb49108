#ifndef VARNIC_REPORT_REASONS_H_
#define VARNIC_REPORT_REASONS_H_

#include <string>
#include <string_view>

#include "report/file_settings.h"
#include "varnic/comparison.h"

namespace varnic::report {

// Why a stage set `change.line` aside, in the words of the settings that decided it: "SSID2 is
// disabled: SSID2_Status=Disable", "WEP keys are not used while auth_type=WPA2-Personal", "not
// compared while DHCPclient=Disable". No rule notation: a reader knows settings, not rules.
std::string ReasonFor(const CChange& change, const CChangeLog& log, const CFileSettings& settings);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_REASONS_H_
