// Automation objects: reference counting, name look-up, Invoke with the dispatch conventions,
// the programmatic-id registry and late-bound calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/automation.h"
#include "platform/rtl/sysutils.h"

namespace {

int LiveSheets = 0;

// A small automation object: a method with a result, a method that fails, a plain property and
// a property indexed by row and column (as a spreadsheet's Cells[r, c]).
class TSheet : public TAutoDispatch {
public:
  std::vector<std::string> Log;

  TSheet() {
    ++LiveSheets;
    AddMethod("Add", [](TAutoArgs& A) { return A[0] + A[1]; }, 2);
    AddMethod("Save", [this](TAutoArgs& A) {
      Log.push_back("Save(" + std::to_string(A.size()) + ")");
      return Variant();
    }, 2, 0);
    AddMethod("Fail", [](TAutoArgs&) -> Variant { throw EConvertError("bad cell"); }, 0);
    AddProperty("Name", [this](TAutoArgs&) { return Variant(FName); },
                [this](TAutoArgs&, const Variant& V) { FName = V.AsString(); });
    AddProperty("Cells",
                [this](TAutoArgs& I) { return Variant(FCells[I[0].AsInteger()][I[1].AsInteger()]); },
                [this](TAutoArgs& I, const Variant& V) {
                  FCells[I[0].AsInteger()][I[1].AsInteger()] = V.AsString();
                });
    AddProperty("Count", [](TAutoArgs&) { return Variant(3); });
  }
  ~TSheet() override { --LiveSheets; }

private:
  std::string FName = "Sheet1";
  std::string FCells[3][3];
};

DISPID IdOf(IDispatch* D, const std::string& Name) {
  DISPID Id = 12345;
  D->GetIDsOfNames(GUID_NULL, &Name, 1, 0, &Id);
  return Id;
}

// Registers the test's programmatic ids for the life of a test.
class AutomationTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterOleObject("Orvanta.TestSheet", [] { return new TSheet; });
  }
  void TearDown() override {
    UnRegisterOleObject("Orvanta.TestSheet");
    EXPECT_EQ(LiveSheets, 0);
  }
};

}  // namespace

TEST_F(AutomationTest, VariantsHoldAReferenceEach) {
  auto* Sheet = new TSheet;
  {
    Variant A(static_cast<IDispatch*>(Sheet));
    EXPECT_EQ(Sheet->RefCount(), 1u);
    Variant B = A;
    EXPECT_EQ(Sheet->RefCount(), 2u);
    EXPECT_EQ(VarType(B), varDispatch);
    EXPECT_EQ(B.AsDispatch(), static_cast<IDispatch*>(Sheet));
    EXPECT_TRUE(A == B);
    B = Variant(1);
    EXPECT_EQ(Sheet->RefCount(), 1u);
    void* Unk = nullptr;
    EXPECT_EQ(Sheet->QueryInterface(IID_IUnknown, &Unk), S_OK);
    EXPECT_EQ(Sheet->RefCount(), 2u);
    Variant U(static_cast<IUnknown*>(Unk));
    static_cast<IUnknown*>(Unk)->Release();
    EXPECT_EQ(VarType(U), varUnknown);
    EXPECT_EQ(U.AsDispatch(), static_cast<IDispatch*>(Sheet));  // found through QueryInterface
    EXPECT_EQ(Sheet->RefCount(), 2u);
    void* Other = &Unk;
    EXPECT_EQ(Sheet->QueryInterface(GUID_NULL, &Other), E_NOINTERFACE);
    EXPECT_EQ(Other, nullptr);
  }
  EXPECT_EQ(LiveSheets, 0);  // the last Release freed it
  EXPECT_TRUE(VarIsClear(Variant(static_cast<IDispatch*>(nullptr))));
}

TEST_F(AutomationTest, NamesAreFoundWithoutRegardToCase) {
  Variant Obj = CreateOleObject("orvanta.testsheet");
  IDispatch* D = Obj.AsDispatch();
  EXPECT_EQ(IdOf(D, "ADD"), IdOf(D, "add"));
  EXPECT_GT(IdOf(D, "Add"), 0);
  EXPECT_NE(IdOf(D, "Add"), IdOf(D, "Name"));
  std::string Missing = "Missing";
  DISPID Id = 5;
  EXPECT_EQ(D->GetIDsOfNames(GUID_NULL, &Missing, 1, 0, &Id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Id, DISPID_UNKNOWN);
}

TEST_F(AutomationTest, InvokeTakesArgumentsLastFirst) {
  Variant Obj = CreateOleObject("Orvanta.TestSheet");
  IDispatch* D = Obj.AsDispatch();

  // Cells[1, 2] := 'x': the assigned value first, then the indices backwards, one named argument.
  Variant Args[3] = {"x", 2, 1};
  DISPID Put = DISPID_PROPERTYPUT;
  DISPPARAMS P{Args, &Put, 3, 1};
  EXPECT_EQ(D->Invoke(IdOf(D, "Cells"), GUID_NULL, 0, DISPATCH_PROPERTYPUT, &P, nullptr, nullptr,
                      nullptr),
            S_OK);

  Variant GetArgs[2] = {2, 1};
  DISPPARAMS G{GetArgs, nullptr, 2, 0};
  Variant Result;
  EXPECT_EQ(D->Invoke(IdOf(D, "Cells"), GUID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &G,
                      &Result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(Result.AsString(), "x");

  // A property write without the named argument is refused.
  DISPPARAMS NoName{Args, nullptr, 3, 0};
  EXPECT_EQ(D->Invoke(IdOf(D, "Cells"), GUID_NULL, 0, DISPATCH_PROPERTYPUT, &NoName, nullptr,
                      nullptr, nullptr),
            DISP_E_NONAMEDARGS);
}

TEST_F(AutomationTest, InvokeResults) {
  Variant Obj = CreateOleObject("Orvanta.TestSheet");
  IDispatch* D = Obj.AsDispatch();
  struct Case {
    std::string Member;
    uint16_t Flags;
    std::vector<Variant> Args;  // natural order
    HRESULT Expected;
  };
  const Case Cases[] = {
      {"Add", DISPATCH_METHOD, {1, 2}, S_OK},
      {"Add", DISPATCH_METHOD, {1}, DISP_E_BADPARAMCOUNT},
      {"Add", DISPATCH_METHOD, {1, 2, 3}, DISP_E_BADPARAMCOUNT},
      {"Add", DISPATCH_PROPERTYGET, {1, 2}, DISP_E_MEMBERNOTFOUND},
      {"Save", DISPATCH_METHOD, {}, S_OK},                  // optional arguments left out
      {"Name", DISPATCH_PROPERTYGET, {}, S_OK},
      {"Name", DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},  // a property needs the get flag
      {"Count", DISPATCH_PROPERTYPUT, {4}, DISP_E_MEMBERNOTFOUND},  // read-only
      {"Fail", DISPATCH_METHOD, {}, DISP_E_EXCEPTION},
  };
  for (const Case& C : Cases) {
    std::vector<Variant> Rev(C.Args.rbegin(), C.Args.rend());
    DISPID Put = DISPID_PROPERTYPUT;
    DISPPARAMS P{Rev.data(), C.Flags == DISPATCH_PROPERTYPUT ? &Put : nullptr,
                 uint32_t(Rev.size()), C.Flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
    Variant R;
    EXCEPINFO Info;
    EXPECT_EQ(D->Invoke(IdOf(D, C.Member), GUID_NULL, 0, C.Flags, &P, &R, &Info, nullptr),
              C.Expected)
        << C.Member << " flags " << C.Flags;
    if (C.Member == "Fail") {
      EXPECT_EQ(Info.bstrDescription, "bad cell");
      EXPECT_EQ(Info.bstrSource, "EConvertError");
    }
  }
  EXPECT_EQ(D->Invoke(999, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(AutomationTest, LateBoundCalls) {
  Variant Obj = CreateOleObject("Orvanta.TestSheet");
  EXPECT_EQ(DispInvoke(Obj, "add", DISPATCH_METHOD, {40, 2}).AsInteger(), 42);
  EXPECT_EQ(DispInvoke(Obj, "Name", DISPATCH_METHOD).AsString(), "Sheet1");  // reads properties
  DispInvoke(Obj, "Name", DISPATCH_PROPERTYPUT, {"Totals"});
  EXPECT_EQ(DispInvoke(Obj, "Name", DISPATCH_PROPERTYGET).AsString(), "Totals");
  DispInvoke(Obj, "Save", DISPATCH_METHOD, {EmptyParam(), 1});
  EXPECT_EQ(static_cast<TSheet*>(Obj.AsDispatch())->Log.back(), "Save(2)");

  try {
    DispInvoke(Obj, "Nothing", DISPATCH_METHOD);
    FAIL() << "no error";
  } catch (const EOleError& E) {
    EXPECT_EQ(E.Message(), "Method 'Nothing' not supported by automation object");
  }
  try {
    DispInvoke(Obj, "Fail", DISPATCH_METHOD);
    FAIL() << "no error";
  } catch (const EOleException& E) {
    EXPECT_EQ(E.Message(), "bad cell");
  }
  EXPECT_THROW(DispInvoke(Obj, "Add", DISPATCH_METHOD, {1}), EOleSysError);
  EXPECT_THROW(DispInvoke(Variant(5), "Add", DISPATCH_METHOD), EVariantTypeCastError);
}

TEST_F(AutomationTest, UnknownProgIdIsAnInvalidClassString) {
  EXPECT_TRUE(IsOleObjectRegistered("ORVANTA.TESTSHEET"));
  try {
    CreateOleObject("Nobody.Registered");
    FAIL() << "no error";
  } catch (const EOleSysError& E) {
    EXPECT_EQ(E.Message(), "Invalid class string");
  }
  UnRegisterOleObject("Orvanta.TestSheet");
  EXPECT_THROW(CreateOleObject("Orvanta.TestSheet"), EOleSysError);
  RegisterOleObject("Orvanta.Null", [] { return static_cast<IDispatch*>(nullptr); });
  EXPECT_THROW(CreateOleObject("Orvanta.Null"), EOleSysError);
  UnRegisterOleObject("Orvanta.Null");
  EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
  EXPECT_THROW(OleCheck(E_FAIL), EOleSysError);
}
