// The reference-counted interfaced object: counting, deletion by the last holder, interfaces.
#include <gtest/gtest.h>

#include "platform/rtl/automation.h"

namespace {

const TGUID IID_ICallback = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
const TGUID IID_IOther = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 11}};

struct ICallback : IUnknown {
  virtual int Call(int X) = 0;
};

class TCallback : public TInterfacedObject, public ICallback {
public:
  explicit TCallback(int* Destroyed) : FDestroyed(Destroyed) {}
  ~TCallback() override { ++*FDestroyed; }
  // ICallback's IUnknown members are the object's own.
  HRESULT QueryInterface(REFIID IID, void** Obj) override {
    return TInterfacedObject::QueryInterface(IID, Obj);
  }
  uint32_t AddRef() override { return TInterfacedObject::AddRef(); }
  uint32_t Release() override { return TInterfacedObject::Release(); }
  int Call(int X) override { return X * 2; }

protected:
  bool GetInterface(REFIID IID, void** Obj) override {
    if (IID != IID_ICallback) return false;
    *Obj = static_cast<ICallback*>(this);
    return true;
  }

private:
  int* FDestroyed;
};

TEST(InterfacedObject, LastReleaseDeletesAndInterfacesAreCounted) {
  int Destroyed = 0;
  auto* Obj = new TCallback(&Destroyed);
  EXPECT_EQ(Obj->RefCount(), 0u);
  EXPECT_EQ(Obj->AddRef(), 1u);

  void* P = nullptr;
  ASSERT_EQ(Obj->QueryInterface(IID_ICallback, &P), S_OK);
  auto* Cb = static_cast<ICallback*>(P);
  EXPECT_EQ(Cb->Call(21), 42);
  EXPECT_EQ(Obj->RefCount(), 2u);

  void* U = nullptr;
  ASSERT_EQ(Obj->QueryInterface(IID_IUnknown, &U), S_OK);
  EXPECT_EQ(Obj->RefCount(), 3u);
  static_cast<IUnknown*>(U)->Release();

  void* None = reinterpret_cast<void*>(1);
  EXPECT_EQ(Obj->QueryInterface(IID_IOther, &None), E_NOINTERFACE);
  EXPECT_EQ(None, nullptr);
  EXPECT_EQ(Obj->QueryInterface(IID_IOther, nullptr), E_POINTER);
  EXPECT_EQ(Obj->RefCount(), 2u);

  EXPECT_EQ(Obj->Release(), 1u);
  EXPECT_EQ(Destroyed, 0);
  EXPECT_EQ(Cb->Release(), 0u);  // the last holder deletes it
  EXPECT_EQ(Destroyed, 1);
}

TEST(InterfacedObject, IsAClassOfTheObjectModel) {
  int Destroyed = 0;
  TCallback Local(&Destroyed);  // never counted, so it may live on the stack
  EXPECT_TRUE(Local.InheritsFrom(TInterfacedObject::StaticClass()));
  EXPECT_EQ(std::string(TInterfacedObject::StaticClass()->Name), "TInterfacedObject");
}

}  // namespace
