// The filer's checks of what it reads: numbers for enumeration properties must lie in the type's
// range (binary streams and form text alike), and child components nest no deeper than 256
// levels, so forged input is a read error rather than a stored nonsense value or a stack overflow.
#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/component.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"

namespace {

ORV_ENUM(TFkMode, fkmNormal, fkmStayOnTop, fkmChild)

// A component with an enumeration and a Boolean, whose children are the components it owns.
class TFkNode : public TComponent {
  ORV_CLASS(TFkNode, TComponent)
public:
  using TComponent::TComponent;
  static void Publish(TPublisher<TFkNode>& P);
  void GetChildren(const TGetChildProc& Proc, TComponent*) override {
    for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
  }
  TComponent* GetChildOwner() override { return this; }
  TFkMode Mode = fkmNormal;
  bool Flag = false;
  int Tag2 = 0;
};

ORV_CLASS_IMPL(TFkNode, TComponent)

void TFkNode::Publish(TPublisher<TFkNode>& P) {
  P.Prop("Mode", &TFkNode::Mode).Default(fkmNormal);
  P.Prop("Flag", &TFkNode::Flag).Default(false);
  P.Prop("Tag2", &TFkNode::Tag2).Default(0);
}

struct Registered {
  Registered() { RegisterClasses({TFkNode::StaticClass()}); }
};
const Registered registered;

// A stream of one node with Mode written as the number given, then Tag2 = 7.
void WriteNodeWithMode(TMemoryStream& m, int64_t mode) {
  TWriter w(&m);
  w.WriteSignature();
  w.WriteStr("TFkNode");
  w.WriteStr("Node");
  w.WritePropName("Mode");
  w.WriteInteger(mode);
  w.WritePropName("Tag2");
  w.WriteInteger(7);
  w.WriteListEnd();
  w.WriteListEnd();
}

TEST(FilerChecks, EnumerationNumbersOutsideTheTypeAreReadErrorsNamingTheProperty) {
  struct Case {
    int64_t value;
    bool ok;
  } cases[] = {{0, true}, {2, true}, {3, false}, {9, false}, {-1, false}, {1LL << 40, false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.value);
    TMemoryStream m;
    WriteNodeWithMode(m, c.value);
    m.SetPosition(0);
    TReader r(&m);
    if (c.ok) {
      std::unique_ptr<TComponent> n(r.ReadRootComponent(nullptr));
      EXPECT_EQ(static_cast<int64_t>(static_cast<TFkNode*>(n.get())->Mode), c.value);
      continue;
    }
    try {
      std::unique_ptr<TComponent> n(r.ReadRootComponent(nullptr));
      FAIL() << "read an out-of-range value";
    } catch (const EReadError& e) {
      EXPECT_NE(e.Message().find("Mode"), std::string::npos) << e.Message();
    }
    // With the error handled, the read goes on and the bad value is never stored.
    m.SetPosition(0);
    TReader r2(&m);
    std::vector<std::string> messages;
    r2.OnError = [&](TReader*, const std::string& msg, bool& handled) {
      messages.push_back(msg);
      handled = true;
    };
    std::unique_ptr<TComponent> n(r2.ReadRootComponent(nullptr));
    auto* node = static_cast<TFkNode*>(n.get());
    EXPECT_EQ(node->Mode, fkmNormal);
    EXPECT_EQ(node->Tag2, 7);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Mode"), std::string::npos);
  }
}

TEST(FilerChecks, FormTextWithANumberForAnEnumerationIsCheckedToo) {
  struct Case {
    const char* text;
    bool ok;
  } cases[] = {
      {"object Node: TFkNode\n  Mode = 1\nend\n", true},
      {"object Node: TFkNode\n  Mode = 9\nend\n", false},
      {"object Node: TFkNode\n  Flag = 2\nend\n", false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.text);
    TStringStream in(c.text);
    TMemoryStream bin;
    ObjectTextToBinary(&in, &bin);
    bin.SetPosition(0);
    TReader r(&bin);
    if (c.ok) {
      std::unique_ptr<TComponent> n(r.ReadRootComponent(nullptr));
      EXPECT_EQ(static_cast<TFkNode*>(n.get())->Mode, fkmStayOnTop);
    } else {
      EXPECT_THROW(std::unique_ptr<TComponent>(r.ReadRootComponent(nullptr)), EReadError);
    }
  }
}

// A stream of depth nested nodes, each the only child of the one before.
void WriteNested(TMemoryStream& m, int depth) {
  TWriter w(&m);
  w.WriteSignature();
  for (int i = 0; i < depth; ++i) {
    w.WriteStr("TFkNode");
    w.WriteStr("N" + std::to_string(i));
    w.WriteListEnd();  // no properties; the children follow
  }
  for (int i = 0; i < depth; ++i) w.WriteListEnd();
}

int DepthOf(TComponent* c) {
  int d = 1;
  while (c->ComponentCount() > 0) {
    c = c->Components(0);
    ++d;
  }
  return d;
}

TEST(FilerChecks, ComponentNestingIsBoundedAt256) {
  struct Case {
    int depth;
    bool ok;
  } cases[] = {{10, true}, {256, true}, {257, false}, {50000, false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.depth);
    TMemoryStream m;
    WriteNested(m, c.depth);
    m.SetPosition(0);
    TReader r(&m);
    if (c.ok) {
      std::unique_ptr<TComponent> root(r.ReadRootComponent(nullptr));
      EXPECT_EQ(DepthOf(root.get()), c.depth);
      continue;
    }
    try {
      std::unique_ptr<TComponent> root(r.ReadRootComponent(nullptr));
      FAIL() << "read a stream nested too deeply";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Components nested too deeply");
    }
  }
}

}  // namespace
