#ifndef VARNIC_SHELL_IVARNIC_H_
#define VARNIC_SHELL_IVARNIC_H_

#include "varnic/com/platform.h"

namespace varnic::shell {

// Dual interface: the three methods follow IDispatch's seven slots (slots 7, 8 and 9). Its
// description is shell/varnic.idl (Windows) and the "TYPELIB" table of shell/resources.cpp.
class IVarnic : public com::IDispatch {
 public:
  virtual com::HRESULT VARNIC_COM_CALL LoadFromFile(com::BSTR bstrFile1, com::LONG nType1,
                                                    com::BSTR bstrFile2,
                                                    com::LONG nType2) noexcept = 0;
  virtual com::HRESULT VARNIC_COM_CALL CompareFile() noexcept = 0;
  virtual com::HRESULT VARNIC_COM_CALL SaveToFile(com::BSTR bstrFile1, com::LONG* nItemCount1,
                                                  com::BSTR bstrFile2,
                                                  com::LONG* nItemCount2) noexcept = 0;
};

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_IVARNIC_H_
