#ifndef VARNIC_COM_INTERFACES_H_
#define VARNIC_COM_INTERFACES_H_

#include "com/com_types.h"
#include "com/variant.h"

namespace varnic::com {

// Interfaces are pure virtual in the platform's slot order, with no data and no destructor: a
// virtual destructor would add slots and shift every method after it.

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

class ITypeInfo;

class IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(unsigned* pctinfo) = 0;
  virtual HRESULT GetTypeInfo(unsigned iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, OLECHAR** rgszNames, unsigned cNames, LCID lcid,
                                DISPID* rgDispId) = 0;
  virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, std::uint16_t wFlags,
                         DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                         unsigned* puArgErr) = 0;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
  virtual HRESULT LockServer(int fLock) = 0;
};

// The part of the platform's type information that late binding needs; the slots before
// GetIDsOfNames keep their places and answer E_NOTIMPL where this runtime has nothing to give.
class ITypeInfo : public IUnknown {
 public:
  virtual HRESULT GetTypeAttr(void** ppTypeAttr) = 0;
  virtual HRESULT GetTypeComp(void** ppTComp) = 0;
  virtual HRESULT GetFuncDesc(unsigned index, void** ppFuncDesc) = 0;
  virtual HRESULT GetVarDesc(unsigned index, void** ppVarDesc) = 0;
  virtual HRESULT GetNames(DISPID memid, BSTR* rgBstrNames, unsigned cMaxNames,
                           unsigned* pcNames) = 0;
  virtual HRESULT GetRefTypeOfImplType(unsigned index, std::uint32_t* pRefType) = 0;
  virtual HRESULT GetImplTypeFlags(unsigned index, int* pImplTypeFlags) = 0;
  virtual HRESULT GetIDsOfNames(OLECHAR** rgszNames, unsigned cNames, DISPID* pMemId) = 0;
  virtual HRESULT Invoke(void* pvInstance, DISPID memid, std::uint16_t wFlags,
                         DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                         unsigned* puArgErr) = 0;
};

inline constexpr std::uint16_t DISPATCH_METHOD = 0x1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 0x2;

}  // namespace varnic::com

#endif  // VARNIC_COM_INTERFACES_H_
