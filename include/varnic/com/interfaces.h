#ifndef VARNIC_COM_INTERFACES_H_
#define VARNIC_COM_INTERFACES_H_

#include "varnic/com/com_types.h"
#include "varnic/com/variant.h"

namespace varnic::com {

// Interfaces are pure virtual in the platform's slot order, with no data and no destructor: a
// virtual destructor would add slots and shift every method after it. Every method is noexcept:
// an exception cannot cross the boundary to a caller of another language or runtime.

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) noexcept = 0;
  virtual ULONG AddRef() noexcept = 0;
  virtual ULONG Release() noexcept = 0;
};

class ITypeInfo;

class IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(unsigned* pctinfo) noexcept = 0;
  virtual HRESULT GetTypeInfo(unsigned iTInfo, LCID lcid, ITypeInfo** ppTInfo) noexcept = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, OLECHAR** rgszNames, unsigned cNames, LCID lcid,
                                DISPID* rgDispId) noexcept = 0;
  virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, std::uint16_t wFlags,
                         DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                         unsigned* puArgErr) noexcept = 0;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) noexcept = 0;
  virtual HRESULT LockServer(int fLock) noexcept = 0;
};

// The part of the platform's type information that late binding needs; the slots before
// GetIDsOfNames keep their places and answer E_NOTIMPL where this runtime has nothing to give.
class ITypeInfo : public IUnknown {
 public:
  virtual HRESULT GetTypeAttr(void** ppTypeAttr) noexcept = 0;
  virtual HRESULT GetTypeComp(void** ppTComp) noexcept = 0;
  virtual HRESULT GetFuncDesc(unsigned index, void** ppFuncDesc) noexcept = 0;
  virtual HRESULT GetVarDesc(unsigned index, void** ppVarDesc) noexcept = 0;
  virtual HRESULT GetNames(DISPID memid, BSTR* rgBstrNames, unsigned cMaxNames,
                           unsigned* pcNames) noexcept = 0;
  virtual HRESULT GetRefTypeOfImplType(unsigned index, std::uint32_t* pRefType) noexcept = 0;
  virtual HRESULT GetImplTypeFlags(unsigned index, int* pImplTypeFlags) noexcept = 0;
  virtual HRESULT GetIDsOfNames(OLECHAR** rgszNames, unsigned cNames, DISPID* pMemId) noexcept = 0;
  virtual HRESULT Invoke(void* pvInstance, DISPID memid, std::uint16_t wFlags,
                         DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                         unsigned* puArgErr) noexcept = 0;
};

inline constexpr std::uint16_t DISPATCH_METHOD = 0x1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 0x2;

}  // namespace varnic::com

#endif  // VARNIC_COM_INTERFACES_H_
