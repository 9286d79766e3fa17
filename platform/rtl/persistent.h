// TPersistent: objects that can be copied into one another (Assign) and that carry data of their
// own in the binary property format (DefineProperties, read and written by the filer of
// filer.h). Also the notify event type every class library object uses.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/object.h"

class TFiler;

// Event handlers are std::function members with the sender first.
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TPersistent : public TObject {
  ORV_CLASS(TPersistent, TObject)
public:
  // Copies Source into this object. The base asks Source to AssignTo this object; when no class
  // knows the pair, EConvertError "Cannot assign a %s to a %s" (source class name, or "nil", then
  // this class's name).
  virtual void Assign(TPersistent* Source);
  // Name path used by the object inspector and error messages: the owner's path + "." + the
  // class name for plain persistents; components override it with their names.
  virtual std::string GetNamePath() const;
  // Hook through which the object reads and writes data of its own in the binary property format
  // (Filer->DefineProperty / DefineBinaryProperty). The base defines nothing.
  virtual void DefineProperties(TFiler* Filer);
  // The object that owns this one for the name path (a collection for its items, a component for
  // its sub-objects); null by default.
  virtual TPersistent* GetOwner() const { return nullptr; }

protected:
  // Copies this object into Dest; the base raises the "Cannot assign" error.
  virtual void AssignTo(TPersistent* Dest);
  [[noreturn]] void AssignError(TPersistent* Source);
};

// A persistent object that knows the object it belongs to (sub-objects such as fonts of a view).
class TOwnedPersistent : public TPersistent {
  ORV_CLASS(TOwnedPersistent, TPersistent)
public:
  explicit TOwnedPersistent(TPersistent* AOwner = nullptr) : FOwner(AOwner) {}
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};
