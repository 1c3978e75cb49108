#ifndef VARNIC_SHELL_VARNIC_OBJECT_H_
#define VARNIC_SHELL_VARNIC_OBJECT_H_

#include "engine/config_compare.h"
#include "varnic/com/platform.h"
#include "varnic/shell/ivarnic.h"

namespace varnic::shell {

// The comparison object: one engine per load. Its reference count is a plain counter (the
// object lives in one apartment); each live object holds one module lock. With an outer object
// it is aggregated: IUnknown calls on IVarnic go to the outer object, and the inner unknown
// (returned to the outer object) owns the lifetime.
class CVarnic final : public IVarnic {
 public:
  // Creates an object and queries it for `riid`; a failed query destroys it again.
  static com::HRESULT Create(com::IUnknown* outer, const com::IID& riid, void** ppv);

  com::HRESULT VARNIC_COM_CALL QueryInterface(const com::IID& riid, void** ppv) noexcept override;
  com::ULONG VARNIC_COM_CALL AddRef() noexcept override;
  com::ULONG VARNIC_COM_CALL Release() noexcept override;

  com::HRESULT VARNIC_COM_CALL GetTypeInfoCount(unsigned* pctinfo) noexcept override;
  com::HRESULT VARNIC_COM_CALL GetTypeInfo(unsigned iTInfo, com::LCID lcid,
                                           com::ITypeInfo** ppTInfo) noexcept override;
  com::HRESULT VARNIC_COM_CALL GetIDsOfNames(const com::IID& riid, com::OLECHAR** rgszNames,
                                             unsigned cNames, com::LCID lcid,
                                             com::DISPID* rgDispId) noexcept override;
  com::HRESULT VARNIC_COM_CALL Invoke(com::DISPID dispIdMember, const com::IID& riid,
                                      com::LCID lcid, std::uint16_t wFlags,
                                      com::DISPPARAMS* pDispParams, com::VARIANT* pVarResult,
                                      com::EXCEPINFO* pExcepInfo,
                                      unsigned* puArgErr) noexcept override;

  com::HRESULT VARNIC_COM_CALL LoadFromFile(com::BSTR bstrFile1, com::LONG nType1,
                                            com::BSTR bstrFile2,
                                            com::LONG nType2) noexcept override;
  com::HRESULT VARNIC_COM_CALL CompareFile() noexcept override;
  com::HRESULT VARNIC_COM_CALL SaveToFile(com::BSTR bstrFile1, com::LONG* nItemCount1,
                                          com::BSTR bstrFile2,
                                          com::LONG* nItemCount2) noexcept override;

 private:
  // The identity of the object when aggregated; its own when not.
  class CInnerUnknown final : public com::IUnknown {
   public:
    explicit CInnerUnknown(CVarnic& object) : object_(object) {}
    com::HRESULT VARNIC_COM_CALL QueryInterface(const com::IID& riid, void** ppv) noexcept override;
    com::ULONG VARNIC_COM_CALL AddRef() noexcept override;
    com::ULONG VARNIC_COM_CALL Release() noexcept override;

   private:
    CVarnic& object_;
  };

  explicit CVarnic(com::IUnknown* outer);

  // Invoke's work once it has the type information, which the caller releases.
  com::HRESULT VARNIC_COM_CALL InvokeWith(com::ITypeInfo* info, com::DISPID dispIdMember,
                                          std::uint16_t wFlags, com::DISPPARAMS* pDispParams,
                                          com::VARIANT* pVarResult, com::EXCEPINFO* pExcepInfo,
                                          unsigned* puArgErr);
  ~CVarnic();

  com::ULONG refs_ = 0;
  CInnerUnknown inner_{*this};
  com::IUnknown* outer_;   // the controlling unknown: the outer object or inner_
  CConfigCompare engine_;  // each LoadFromFile begins a new comparison in it
};

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_VARNIC_OBJECT_H_
