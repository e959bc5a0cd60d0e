#include "Classes.h"

#include <algorithm>
#include <map>

// ---- TList ----------------------------------------------------------------------------------

void TList::Check(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(L"List index out of bounds (" + std::to_wstring(index) + L")");
}

void* TList::Get(int index) const
{
    Check(index);
    return FItems[static_cast<size_t>(index)];
}

void TList::Put(int index, void* item)
{
    Check(index);
    FItems[static_cast<size_t>(index)] = item;
}

int TList::Add(void* item)
{
    FItems.push_back(item);
    return Count() - 1;
}

void TList::Insert(int index, void* item)
{
    if (index < 0 || index > Count())
        throw EListError(L"List index out of bounds (" + std::to_wstring(index) + L")");
    FItems.insert(FItems.begin() + index, item);
}

void TList::Delete(int index)
{
    Check(index);
    FItems.erase(FItems.begin() + index);
}

int TList::Remove(void* item)
{
    const int index = IndexOf(item);
    if (index >= 0)
        Delete(index);
    return index;
}

int TList::IndexOf(void* item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::Exchange(int a, int b)
{
    Check(a);
    Check(b);
    std::swap(FItems[static_cast<size_t>(a)], FItems[static_cast<size_t>(b)]);
}

void TList::Move(int from, int to)
{
    if (from == to)
        return;
    void* item = Get(from);
    Check(to);
    Delete(from);
    Insert(to, item);
}

// ---- class information ----------------------------------------------------------------------

const TPropInfo* TClassInfo::FindProperty(const std::wstring& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent) {
        // A class may redeclare a property of its base: the most derived one wins.
        for (const TPropInfo& p : c->Properties)
            if (p.Name == name)
                return &p;
    }
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(const std::wstring& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TMethodInfo& m : c->Methods)
            if (m.Name == name)
                return &m;
    return nullptr;
}

const TFieldInfo* TClassInfo::FindField(const std::wstring& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TFieldInfo& f : c->Fields)
            if (f.Name == name)
                return &f;
    return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == &other)
            return true;
    return false;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent)
        chain.push_back(c);
    std::vector<const TPropInfo*> result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const TPropInfo& p : (*it)->Properties) {
            // A redeclaration replaces the base's entry in place, keeping the base's order.
            auto same = std::find_if(result.begin(), result.end(), [&](const TPropInfo* q) { return q->Name == p.Name; });
            if (same != result.end())
                *same = &p;
            else
                result.push_back(&p);
        }
    }
    return result;
}

namespace {

std::map<std::wstring, const TClassInfo*>& ClassRegistry()
{
    static std::map<std::wstring, const TClassInfo*> registry;
    return registry;
}

}  // namespace

void RegisterComponentClass(const TClassInfo& info)
{
    ClassRegistry()[info.ClassName] = &info;
}

const TClassInfo* FindClass(const std::wstring& name)
{
    const auto it = ClassRegistry().find(name);
    return it == ClassRegistry().end() ? nullptr : it->second;
}

// ---- TPersistent ----------------------------------------------------------------------------

const TClassInfo& TPersistent::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TPersistent>(L"TPersistent", nullptr).Build();
    return info;
}

void TPersistent::Assign(const TPersistent& source)
{
    throw EConvertError(L"Cannot assign a " + source.ClassName() + L" to a " + ClassName());
}

// ---- TComponent -----------------------------------------------------------------------------

const TClassInfo& TComponent::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TComponent>(L"TComponent", &TPersistent::StaticClassInfo())
        .String(L"Name", &TComponent::NameValue, &TComponent::SetName)
        .NeverStored()  // the object header carries the name
        .Build();
    return info;
}

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Tell everyone that asked about us, then drop our own requests.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        other->RemoveNotification(this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

std::wstring TComponent::NameValue() const
{
    return FName;
}

void TComponent::SetName(const std::wstring& value)
{
    if (value == FName)
        return;
    if (!value.empty()) {
        // ASCII only, as the layout text spells names: a name it cannot write back is refused here.
        const auto letter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_'; };
        const bool valid = letter(value[0]) && std::all_of(value.begin(), value.end(), [&](wchar_t c) {
                               return letter(c) || (c >= L'0' && c <= L'9');
                           });
        if (!valid)
            throw EInvalidOperation(L"'" + value + L"' is not a valid component name");
        if (FOwner) {
            TComponent* other = FOwner->FindComponent(value);
            if (other && other != this)
                throw EInvalidOperation(L"A component named " + value + L" already exists");
        }
    }
    FName = value;
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError(L"List index out of bounds (" + std::to_wstring(index) + L")");
    return FComponents[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::wstring& name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, name))
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (component->FOwner)
        component->FOwner->RemoveComponent(component);
    FComponents.push_back(component);
    component->FOwner = this;
    if (component->IsDesigning() != IsDesigning())
        component->SetDesigning(IsDesigning());
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    const auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it == FComponents.end())
        return;
    Notification(component, opRemove);
    FComponents.erase(std::find(FComponents.begin(), FComponents.end(), component));
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents()
{
    // Last created goes first; each destructor removes itself from the list.
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        FComponents.pop_back();
        c->FOwner = nullptr;
        Notification(c, opRemove);
        delete c;
    }
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(component);
        component->FreeNotification(this);
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component)
        return;
    RemoveNotification(component);
    component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component)
{
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component), FFreeNotifies.end());
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root)
{
    (void)proc;
    (void)root;
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    // Owned components hear about each other's removal too, as the owner's children.
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    for (size_t i = 0; i < FComponents.size(); ++i)
        if (FComponents[i] != component)
            FComponents[i]->Notification(component, operation);
}

void TComponent::SetDesigning(bool value)
{
    if (value)
        FComponentState.Include(csDesigning);
    else
        FComponentState.Exclude(csDesigning);
    for (TComponent* c : FComponents)
        c->SetDesigning(value);
}

void TComponent::BeginLoading()
{
    FComponentState.Include(csLoading).Include(csReading);
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent* c : FComponents)
        c->Destroying();
}
