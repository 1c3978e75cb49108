#ifndef VARNIC_REPORT_SECRETS_H_
#define VARNIC_REPORT_SECRETS_H_

#include <map>
#include <string>
#include <string_view>

namespace varnic::report {

struct CReport;

// True for keys whose values are secrets: Password, passphrase, key1 to key4, radius_secret and
// the multi-SSID SSIDn_PassPhrase, SSIDn_Key and SSIDn_Radius_Secret, in any letter case and
// with spaces or tabs around them.
bool IsSecretKey(std::string_view key);

// Replaces secret values by labels such as "‹secret 1›"; equal values get equal labels for the
// life of the masker, so a reader still sees same or different without the value.
class CSecretMasker {
 public:
  std::string LabelFor(std::string_view value);
  // A key=value line with its value masked when its key is secret; other lines unchanged.
  std::string MaskLine(std::string_view line);
  // The same without a copy where nothing is secret: `line` itself, or the masked line kept in
  // `storage`.
  std::string_view MaskLine(std::string_view line, std::string& storage);
  // Labels the secret values of `report` in the order every output shows them (entries, left
  // before right, then hidden differences, then explanations), so that all outputs of one run
  // give a value one label, whichever of them is written first.
  void Prime(const CReport& report);

 private:
  std::map<std::string, std::string, std::less<>> labels_;
};

}  // namespace varnic::report

#endif  // VARNIC_REPORT_SECRETS_H_
