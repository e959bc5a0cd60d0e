// The component model: objects, persistent objects with published properties, components with
// owners and free notification, and the pointer list. Platform-free: no Windows header here.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>
#include <string>
#include <vector>

#include "Sets.h"
#include "SysUtils.h"

class TPersistent;
class TComponent;
class TFiler;
struct TLayoutValue;

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// ---- pointer list ---------------------------------------------------------------------------

class TList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    void* Get(int index) const;
    void Put(int index, void* item);
    void* operator[](int index) const { return Get(index); }
    int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index);
    int Remove(void* item);  // index it had, or -1
    int IndexOf(void* item) const;
    void Exchange(int a, int b);
    void Move(int from, int to);
    void Clear() { FItems.clear(); }
    void* First() const { return Get(0); }
    void* Last() const { return Get(Count() - 1); }

private:
    void Check(int index) const;
    std::vector<void*> FItems;
};

// ---- published properties -------------------------------------------------------------------

enum class TPropType { Integer, Boolean, String, Enumeration, Set, Component, Persistent, Event };

// One published property: how to read, write and decide whether to store it.
struct TPropInfo {
    std::wstring Name;
    TPropType Type = TPropType::Integer;
    bool HasDefault = false;  // ordinals: stored only when different from Default
    int32_t Default = 0;
    std::vector<std::wstring> Names;  // enumeration or set element names, by ordinal
    std::function<int32_t(TPersistent&)> GetOrd;
    std::function<void(TPersistent&, int32_t)> SetOrd;
    std::function<std::wstring(TPersistent&)> GetStr;
    std::function<void(TPersistent&, const std::wstring&)> SetStr;
    std::function<TPersistent*(TPersistent&)> GetObj;         // component reference or nested object
    std::function<void(TPersistent&, TComponent*)> SetObj;    // component references
    std::function<void(TPersistent&, const std::any&)> SetEvent;  // handler produced by a method binder
    std::function<bool(TPersistent&)> Stored;                 // optional stored predicate
    // Integers with names (colours, character sets): read and written as identifiers when named.
    std::function<bool(const std::wstring&, int32_t&)> IdentToInt;
    std::function<bool(int32_t, std::wstring&)> IntToIdent;
};

// A published method of a form: gives, for an instance, a handler wrapped in std::any.
struct TMethodInfo {
    std::wstring Name;
    std::function<std::any(TPersistent&)> Bind;
};

struct TClassInfo;

// A published component field of a form, set by the reader to the component of that name.
struct TFieldInfo {
    std::wstring Name;
    const TClassInfo* Class = nullptr;
    std::function<void(TPersistent&, TComponent*)> Assign;
};

struct TClassInfo {
    std::wstring ClassName;
    const TClassInfo* Parent = nullptr;
    std::vector<TPropInfo> Properties;
    std::vector<TMethodInfo> Methods;
    std::vector<TFieldInfo> Fields;
    std::function<TComponent*(TComponent* owner)> Create;  // null for abstract classes

    const TPropInfo* FindProperty(const std::wstring& name) const;
    const TMethodInfo* FindMethod(const std::wstring& name) const;
    const TFieldInfo* FindField(const std::wstring& name) const;
    bool InheritsFrom(const TClassInfo& other) const;
    // Every property, base classes first.
    std::vector<const TPropInfo*> AllProperties() const;
};

// Classes the reader can create by name.
void RegisterComponentClass(const TClassInfo& info);
const TClassInfo* FindClass(const std::wstring& name);

#define TK_CLASSINFO(ThisClass, BaseClass)                                        \
public:                                                                          \
    using inherited = BaseClass;                                                 \
    static const TClassInfo& StaticClassInfo();                                  \
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }   \
                                                                                 \
private:

// ---- extra stored values --------------------------------------------------------------------

// Lets a persistent object store values that are not published properties.
class TFiler {
public:
    using TReadProc = std::function<void(const TLayoutValue&)>;
    using TWriteProc = std::function<TLayoutValue()>;

    virtual ~TFiler() = default;
    virtual void DefineProperty(const std::wstring& name, TReadProc read, TWriteProc write, bool hasData) = 0;
};

class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    const std::wstring& ClassName() const { return ClassInfo().ClassName; }

    virtual void Assign(const TPersistent& source);
    virtual void DefineProperties(TFiler& filer) { (void)filer; }
};

// ---- components -----------------------------------------------------------------------------

enum TComponentStateValue { csLoading, csReading, csDesigning, csDestroying, csWriting, csFreeNotification };
using TComponentState = TSet<TComponentStateValue>;

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    TK_CLASSINFO(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::wstring& Name() const { return FName; }
    virtual void SetName(const std::wstring& value);
    TComponentState ComponentState() const { return FComponentState; }
    bool IsLoading() const { return FComponentState.Contains(csLoading); }
    bool IsDesigning() const { return FComponentState.Contains(csDesigning); }
    bool IsDestroying() const { return FComponentState.Contains(csDestroying); }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const;
    TComponent* FindComponent(const std::wstring& name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();

    // Asks for a Notification(this-component, opRemove) when component is destroyed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);
    // A reference property's setter: stores value and asks to hear when it goes, so that
    // Notification can clear the field.
    template <class T>
    void SetReference(T*& field, T* value)
    {
        if (field == value)
            return;
        field = value;
        FreeNotification(value);
    }

    // Streaming: the writer asks these which components belong under which in the tree.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    // The reader calls this for an object nested in another's layout entry.
    virtual void SetParentComponent(TComponent* parent) { (void)parent; }
    virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);

    // Called once the whole layout has been read.
    virtual void Loaded();
    virtual void Notification(TComponent* component, TOperation operation);

    void SetDesigning(bool value);
    // The reader brackets its work with these.
    void BeginLoading();
    void EndReading() { FComponentState.Exclude(csReading); }
    void EndLoadingState() { FComponentState.Exclude(csLoading).Exclude(csReading); }

    // Marks destruction early, so that handlers see it before the destructors of subclasses run.
    void Destroying();

    // Event property name -> published method name, as bound by the reader; read by the writer.
    std::vector<std::pair<std::wstring, std::wstring>> EventBindings;

protected:
    TComponentState FComponentState;

private:
    std::wstring NameValue() const;
    void RemoveNotification(TComponent* component);

    TComponent* FOwner = nullptr;
    std::wstring FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
};

// Whether a component outlived what a handler, a menu or a nested loop ran: its free
// notification clears the watch. Code after such a call touches the component only while Alive.
class TFreeWatch : public TComponent {
public:
    explicit TFreeWatch(TComponent* subject) : TComponent(nullptr), FSubject(subject)
    {
        if (subject)
            subject->FreeNotification(this);
    }
    ~TFreeWatch() override
    {
        if (FSubject)
            FSubject->RemoveFreeNotification(this);
    }
    bool Alive() const { return FSubject != nullptr; }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == FSubject)
            FSubject = nullptr;
    }

private:
    TComponent* FSubject;
};

// Builds a class's published properties with member-function accessors.
template <class T>
class TClassBuilder {
public:
    TClassBuilder(const wchar_t* name, const TClassInfo* parent) { FInfo.ClassName = name, FInfo.Parent = parent; }

    TClassBuilder& Creatable()
    {
        FInfo.Create = [](TComponent* owner) -> TComponent* { return new T(owner); };
        return *this;
    }

    template <class G, class S>
    TClassBuilder& Integer(const wchar_t* name, G get, S set, std::optional<int32_t> def = std::nullopt)
    {
        TPropInfo p = Base(name, TPropType::Integer);
        Ordinal(p, get, set);
        if (def)
            p.HasDefault = true, p.Default = *def;
        return Add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder& Boolean(const wchar_t* name, G get, S set, bool def)
    {
        TPropInfo p = Base(name, TPropType::Boolean);
        Ordinal(p, get, set);
        p.HasDefault = true, p.Default = def ? 1 : 0;
        return Add(std::move(p));
    }

    template <class G, class S, class E>
    TClassBuilder& Enum(const wchar_t* name, G get, S set, std::vector<std::wstring> names, E def)
    {
        TPropInfo p = Base(name, TPropType::Enumeration);
        Ordinal(p, get, set);
        p.Names = std::move(names), p.HasDefault = true, p.Default = static_cast<int32_t>(def);
        return Add(std::move(p));
    }

    template <class G, class S, class E>
    TClassBuilder& Set(const wchar_t* name, G get, S set, std::vector<std::wstring> names, TSet<E> def)
    {
        TPropInfo p = Base(name, TPropType::Set);
        p.GetOrd = [get](TPersistent& o) { return static_cast<int32_t>((static_cast<T&>(o).*get)().Bits()); };
        p.SetOrd = [set](TPersistent& o, int32_t v) {
            (static_cast<T&>(o).*set)(TSet<E>::FromBits(static_cast<uint32_t>(v)));
        };
        p.Names = std::move(names), p.HasDefault = true, p.Default = static_cast<int32_t>(def.Bits());
        return Add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder& String(const wchar_t* name, G get, S set)
    {
        TPropInfo p = Base(name, TPropType::String);
        p.GetStr = [get](TPersistent& o) { return (static_cast<T&>(o).*get)(); };
        p.SetStr = [set](TPersistent& o, const std::wstring& v) { (static_cast<T&>(o).*set)(v); };
        return Add(std::move(p));
    }

    // A reference to another component, resolved by name after reading.
    template <class C, class B, class S>
    TClassBuilder& Component(const wchar_t* name, C* (B::*get)() const, S set)
    {
        TPropInfo p = Base(name, TPropType::Component);
        p.GetObj = [get](TPersistent& o) -> TPersistent* { return (static_cast<T&>(o).*get)(); };
        p.SetObj = [set, name](TPersistent& o, TComponent* c) {
            C* typed = c ? dynamic_cast<C*>(c) : nullptr;
            if (c && !typed)
                throw EReadError(L"'" + c->Name() + L"' cannot be assigned to " + name);
            (static_cast<T&>(o).*set)(typed);
        };
        return Add(std::move(p));
    }

    // A nested object whose own properties are stored as Name.Sub.
    template <class C, class B>
    TClassBuilder& Nested(const wchar_t* name, C* (B::*get)() const)
    {
        TPropInfo p = Base(name, TPropType::Persistent);
        p.GetObj = [get](TPersistent& o) -> TPersistent* { return (static_cast<T&>(o).*get)(); };
        return Add(std::move(p));
    }

    // An event property of type std::function<Sig> held in a public member.
    template <class Fn, class B>
    TClassBuilder& Event(const wchar_t* name, Fn B::*member)
    {
        TPropInfo p = Base(name, TPropType::Event);
        p.SetEvent = [member, name](TPersistent& o, const std::any& handler) {
            const Fn* fn = std::any_cast<Fn>(&handler);
            if (!fn)
                throw EReadError(std::wstring(L"the method bound to ") + name + L" has the wrong parameters");
            static_cast<T&>(o).*member = *fn;
        };
        return Add(std::move(p));
    }

    // A published method, bindable to event properties whose type is std::function<R(A...)>.
    template <class R, class... A>
    TClassBuilder& Method(const wchar_t* name, R (T::*method)(A...))
    {
        TMethodInfo m;
        m.Name = name;
        m.Bind = [method](TPersistent& o) -> std::any {
            T* self = &static_cast<T&>(o);
            return std::function<R(A...)>([self, method](A... args) { return (self->*method)(args...); });
        };
        FInfo.Methods.push_back(std::move(m));
        return *this;
    }

    // A published component field.
    template <class C>
    TClassBuilder& Field(const wchar_t* name, C* T::*member)
    {
        TFieldInfo f;
        f.Name = name;
        f.Class = &C::StaticClassInfo();
        f.Assign = [member](TPersistent& o, TComponent* c) { static_cast<T&>(o).*member = dynamic_cast<C*>(c); };
        FInfo.Fields.push_back(std::move(f));
        return *this;
    }

    // Overrides whether the most recently added property is stored.
    TClassBuilder& StoredIf(std::function<bool(const T&)> stored)
    {
        FInfo.Properties.back().Stored = [stored](TPersistent& o) { return stored(static_cast<const T&>(o)); };
        return *this;
    }
    TClassBuilder& Idents(std::function<bool(const std::wstring&, int32_t&)> toInt,
                          std::function<bool(int32_t, std::wstring&)> toIdent)
    {
        FInfo.Properties.back().IdentToInt = std::move(toInt);
        FInfo.Properties.back().IntToIdent = std::move(toIdent);
        return *this;
    }
    TClassBuilder& NeverStored()
    {
        FInfo.Properties.back().Stored = [](TPersistent&) { return false; };
        return *this;
    }

    TClassInfo Build() { return std::move(FInfo); }

private:
    static TPropInfo Base(const wchar_t* name, TPropType type)
    {
        TPropInfo p;
        p.Name = name;
        p.Type = type;
        return p;
    }
    template <class G, class S>
    static void Ordinal(TPropInfo& p, G get, S set)
    {
        using V = std::remove_cvref_t<decltype((std::declval<const T&>().*get)())>;
        p.GetOrd = [get](TPersistent& o) { return static_cast<int32_t>((static_cast<T&>(o).*get)()); };
        p.SetOrd = [set](TPersistent& o, int32_t v) { (static_cast<T&>(o).*set)(static_cast<V>(v)); };
    }
    TClassBuilder& Add(TPropInfo p)
    {
        FInfo.Properties.push_back(std::move(p));
        return *this;
    }

    TClassInfo FInfo;
};
