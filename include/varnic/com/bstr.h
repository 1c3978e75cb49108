#ifndef VARNIC_COM_BSTR_H_
#define VARNIC_COM_BSTR_H_

#include <optional>
#include <string>
#include <string_view>

#include "varnic/com/com_types.h"

namespace varnic::com {

// A BSTR points just past a 4-byte byte count and is followed by a zero terminator. A null BSTR
// stands for the empty string. Allocation failures and sizes that cannot be represented give null.
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, unsigned length);
void SysFreeString(BSTR text);
unsigned SysStringLen(BSTR text);

// Strict conversions: unpaired surrogates, invalid UTF-8 and overlong forms give nullopt, never
// a guess, and no process locale is consulted.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// A BSTR as a view (null is empty).
std::u16string_view BstrView(BSTR text);

// Owns one BSTR.
class CBstr {
 public:
  CBstr() = default;
  explicit CBstr(std::u16string_view text)
      : text_(SysAllocStringLen(text.data(), static_cast<unsigned>(text.size()))) {}
  ~CBstr() { SysFreeString(text_); }
  CBstr(const CBstr&) = delete;
  CBstr& operator=(const CBstr&) = delete;
  BSTR Get() const { return text_; }

 private:
  BSTR text_ = nullptr;
};

}  // namespace varnic::com

#endif  // VARNIC_COM_BSTR_H_
