#include "Streaming.h"

#include <algorithm>
#include <limits>
#include <map>

#include "ScopeExit.h"

namespace {

std::wstring At(int line)
{
    return L"Line " + std::to_wstring(line) + L": ";
}

[[noreturn]] void Fail(int line, const std::wstring& what)
{
    throw EReadError(At(line) + what);
}

const std::wstring& TypeName(TPropType type)
{
    static const std::wstring names[] = {L"an integer", L"True or False", L"a string", L"an identifier",
                                         L"a set", L"a component name", L"an object", L"a method name"};
    return names[static_cast<int>(type)];
}

// Collects the extra values a persistent object defines, for reading or writing.
class TCollectingFiler : public TFiler {
public:
    struct TEntry {
        std::wstring Name;
        TReadProc Read;
        TWriteProc Write;
        bool HasData;
    };
    void DefineProperty(const std::wstring& name, TReadProc read, TWriteProc write, bool hasData) override
    {
        Entries.push_back({name, std::move(read), std::move(write), hasData});
    }
    std::vector<TEntry> Entries;
};

struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    std::wstring Name;
    int Line;
};

class TReader {
public:
    explicit TReader(TComponent* root) : FRoot(root) {}

    void ReadRoot(const TLayoutObject& tree)
    {
        if (!SameText(tree.ClassName, FRoot->ClassName()) && !FindClassInChain(tree.ClassName))
            Fail(tree.Line, L"expected an object of class " + FRoot->ClassName() + L", found " + tree.ClassName);
        FLoaded.push_back(FRoot);
        FRoot->BeginLoading();
        bool read = false;
        TScopeExit endLoading([&] {
            if (!read)
                for (TComponent* c : FLoaded)
                    c->EndLoadingState();
        });
        if (!tree.Name.empty())
            FRoot->SetName(tree.Name);
        ReadProperties(*FRoot, FRoot, tree.Properties);
        for (const TLayoutObject& child : tree.Children)
            ReadChild(child, FRoot);
        ResolveFixups();
        for (TComponent* c : FLoaded)
            c->EndReading();
        read = true;
        // Each component stays loading until its own Loaded; a copy, as Loaded may add components.
        const std::vector<TComponent*> loaded = FLoaded;
        for (TComponent* c : loaded)
            c->Loaded();
    }

private:
    bool FindClassInChain(const std::wstring& name) const
    {
        for (const TClassInfo* c = &FRoot->ClassInfo(); c; c = c->Parent)
            if (SameText(c->ClassName, name))
                return true;
        return false;
    }

    const TClassInfo* LookUpClass(const TLayoutObject& obj) const
    {
        // A form's component fields name their classes; other classes must be registered.
        for (const TClassInfo* c = &FRoot->ClassInfo(); c; c = c->Parent)
            for (const TFieldInfo& f : c->Fields)
                if (f.Class && SameText(f.Class->ClassName, obj.ClassName))
                    return f.Class;
        if (const TClassInfo* found = FindClass(obj.ClassName))
            return found;
        Fail(obj.Line, L"class " + obj.ClassName + L" not found");
    }

    void ReadChild(const TLayoutObject& obj, TComponent* parent)
    {
        const TClassInfo* cls = LookUpClass(obj);
        if (!cls->Create)
            Fail(obj.Line, L"class " + obj.ClassName + L" cannot be created");
        if (!obj.Name.empty() && FRoot->FindComponent(obj.Name))
            Fail(obj.Line, L"a component named " + obj.Name + L" already exists");
        TComponent* component = cls->Create(FRoot);
        bool read = false;
        TScopeExit dropUnread([&] {
            if (read)
                return;
            FLoaded.erase(std::remove(FLoaded.begin(), FLoaded.end(), component), FLoaded.end());
            ClearField(obj.Name);
            delete component;
        });
        component->BeginLoading();
        FLoaded.push_back(component);
        if (!obj.Name.empty()) {
            component->SetName(obj.Name);
            if (const TFieldInfo* field = FRoot->ClassInfo().FindField(obj.Name)) {
                if (!cls->InheritsFrom(*field->Class))
                    Fail(obj.Line, L"field " + obj.Name + L" is not of class " + obj.ClassName);
                field->Assign(*FRoot, component);
            }
        }
        component->SetParentComponent(parent);
        ReadProperties(*component, component, obj.Properties);
        for (const TLayoutObject& child : obj.Children)
            ReadChild(child, component);
        read = true;
    }

    void ClearField(const std::wstring& name)
    {
        if (const TFieldInfo* field = name.empty() ? nullptr : FRoot->ClassInfo().FindField(name))
            field->Assign(*FRoot, nullptr);
    }

    void ReadProperties(TPersistent& instance, TComponent* component, const std::vector<TLayoutProperty>& props)
    {
        for (const TLayoutProperty& p : props)
            ReadProperty(instance, component, p.Name, p.Value, p.Line);
    }

    void ReadProperty(TPersistent& instance, TComponent* component, const std::wstring& name,
                      const TLayoutValue& value, int line)
    {
        const size_t dot = name.find(L'.');
        if (dot != std::wstring::npos) {
            const std::wstring head = name.substr(0, dot);
            const TPropInfo* nested = instance.ClassInfo().FindProperty(head);
            if (!nested || nested->Type != TPropType::Persistent)
                Fail(line, L"property " + head + L" of " + instance.ClassName() + L" has no sub-properties");
            TPersistent* sub = nested->GetObj(instance);
            if (!sub)
                Fail(line, L"property " + head + L" is not set");
            ReadProperty(*sub, component, name.substr(dot + 1), value, line);
            return;
        }
        const TPropInfo* prop = instance.ClassInfo().FindProperty(name);
        if (!prop) {
            TCollectingFiler filer;
            instance.DefineProperties(filer);
            for (auto& e : filer.Entries)
                if (SameText(e.Name, name) && e.Read) {
                    e.Read(value);
                    return;
                }
            Fail(line, L"property " + name + L" does not exist in " + instance.ClassName());
        }
        try {
            SetValue(instance, component, *prop, value, line);
        } catch (const EReadError&) {
            throw;
        } catch (const Exception& e) {
            Fail(line, L"cannot set " + name + L": " + e.Message());
        }
    }

    static int IndexOfName(const TPropInfo& prop, const std::wstring& ident)
    {
        for (size_t i = 0; i < prop.Names.size(); ++i)
            if (SameText(prop.Names[i], ident))
                return static_cast<int>(i);
        return -1;
    }

    [[noreturn]] static void Expected(const TPropInfo& prop, int line)
    {
        Fail(line, L"expected " + TypeName(prop.Type) + L" for property " + prop.Name);
    }

    void SetValue(TPersistent& instance, TComponent* component, const TPropInfo& prop, const TLayoutValue& value,
                  int line)
    {
        switch (prop.Type) {
        case TPropType::Integer: {
            int32_t v = 0;
            if (value.Kind == lvIdent && prop.IdentToInt && prop.IdentToInt(value.Text, v)) {
            } else if (value.Kind == lvInteger) {
                if (value.Integer < std::numeric_limits<int32_t>::min() ||
                    value.Integer > std::numeric_limits<int32_t>::max())
                    Fail(line, L"value of " + prop.Name + L" is out of range");
                v = static_cast<int32_t>(value.Integer);
            } else {
                Expected(prop, line);
            }
            prop.SetOrd(instance, v);
            return;
        }
        case TPropType::Boolean:
            if (value.Kind == lvIdent && SameText(value.Text, L"True"))
                prop.SetOrd(instance, 1);
            else if (value.Kind == lvIdent && SameText(value.Text, L"False"))
                prop.SetOrd(instance, 0);
            else
                Expected(prop, line);
            return;
        case TPropType::Enumeration: {
            const int index = value.Kind == lvIdent ? IndexOfName(prop, value.Text) : -1;
            if (index < 0)
                Fail(line, L"'" + value.Text + L"' is not a value of " + prop.Name);
            prop.SetOrd(instance, index);
            return;
        }
        case TPropType::Set: {
            if (value.Kind != lvSet)
                Expected(prop, line);
            uint32_t bits = 0;
            for (const std::wstring& item : value.Items) {
                const int index = IndexOfName(prop, item);
                if (index < 0 || index > 31)
                    Fail(line, L"'" + item + L"' is not an element of " + prop.Name);
                bits |= uint32_t{1} << index;
            }
            prop.SetOrd(instance, static_cast<int32_t>(bits));
            return;
        }
        case TPropType::String:
            if (value.Kind != lvString)
                Expected(prop, line);
            prop.SetStr(instance, value.Text);
            return;
        case TPropType::Component:
            if (value.Kind != lvIdent)
                Expected(prop, line);
            FFixups.push_back({&instance, &prop, value.Text, line});
            return;
        case TPropType::Event: {
            if (value.Kind != lvIdent)
                Expected(prop, line);
            const TMethodInfo* method = FRoot->ClassInfo().FindMethod(value.Text);
            if (!method)
                Fail(line, L"method " + value.Text + L" not found in " + FRoot->ClassName());
            prop.SetEvent(instance, method->Bind(*FRoot));
            if (component) {
                auto& bindings = component->EventBindings;
                std::erase_if(bindings, [&](const auto& b) { return b.first == prop.Name; });
                bindings.emplace_back(prop.Name, method->Name);
            }
            return;
        }
        case TPropType::Persistent:
            Fail(line, L"property " + prop.Name + L" takes its values as " + prop.Name + L".Name = ...");
        }
    }

    TComponent* ComponentNamed(const std::wstring& name) const
    {
        if (SameText(name, FRoot->Name()))
            return FRoot;
        return FRoot->FindComponent(name);
    }

    void ResolveFixups()
    {
        for (const TFixup& f : FFixups) {
            TComponent* target = ComponentNamed(f.Name);
            if (!target)
                Fail(f.Line, L"component " + f.Name + L" not found");
            try {
                f.Prop->SetObj(*f.Instance, target);
            } catch (const Exception& e) {
                Fail(f.Line, e.Message());
            }
        }
    }

    TComponent* FRoot;
    std::vector<TComponent*> FLoaded;
    std::vector<TFixup> FFixups;
};

// ---- writing --------------------------------------------------------------------------------

void WriteProperties(TPersistent& instance, TComponent* component, TComponent* root, const std::wstring& prefix,
                     std::vector<TLayoutProperty>& out)
{
    for (const TPropInfo* p : instance.ClassInfo().AllProperties()) {
        if (p->Stored && !p->Stored(instance))
            continue;
        const std::wstring name = prefix + p->Name;
        TLayoutValue value;
        switch (p->Type) {
        case TPropType::Integer: {
            const int32_t v = p->GetOrd(instance);
            if (p->HasDefault && v == p->Default)
                continue;
            std::wstring ident;
            value = p->IntToIdent && p->IntToIdent(v, ident) ? TLayoutValue::FromIdent(ident)
                                                              : TLayoutValue::FromInteger(v);
            break;
        }
        case TPropType::Boolean: {
            const int32_t v = p->GetOrd(instance);
            if (p->HasDefault && v == p->Default)
                continue;
            value = TLayoutValue::FromIdent(v ? L"True" : L"False");
            break;
        }
        case TPropType::Enumeration: {
            const int32_t v = p->GetOrd(instance);
            if ((p->HasDefault && v == p->Default) || v < 0 || v >= static_cast<int32_t>(p->Names.size()))
                continue;
            value = TLayoutValue::FromIdent(p->Names[static_cast<size_t>(v)]);
            break;
        }
        case TPropType::Set: {
            const int32_t v = p->GetOrd(instance);
            if (p->HasDefault && v == p->Default)
                continue;
            std::vector<std::wstring> items;
            for (size_t i = 0; i < p->Names.size() && i < 32; ++i)
                if (static_cast<uint32_t>(v) & (uint32_t{1} << i))
                    items.push_back(p->Names[i]);
            value = TLayoutValue::FromSet(std::move(items));
            break;
        }
        case TPropType::String: {
            std::wstring v = p->GetStr(instance);
            if (v.empty())
                continue;
            value = TLayoutValue::FromString(std::move(v));
            break;
        }
        case TPropType::Component: {
            auto* target = dynamic_cast<TComponent*>(p->GetObj(instance));
            if (!target || target->Name().empty())
                continue;
            std::wstring ref = target->Name();
            if (target->Owner() && target->Owner() != root && !target->Owner()->Name().empty())
                ref = target->Owner()->Name() + L"." + ref;
            value = TLayoutValue::FromIdent(ref);
            break;
        }
        case TPropType::Event: {
            if (!component)
                continue;
            const auto& b = component->EventBindings;
            auto it = std::find_if(b.begin(), b.end(), [&](const auto& e) { return e.first == p->Name; });
            if (it == b.end())
                continue;
            value = TLayoutValue::FromIdent(it->second);
            break;
        }
        case TPropType::Persistent:
            if (TPersistent* sub = p->GetObj(instance))
                WriteProperties(*sub, component, root, name + L".", out);
            continue;
        }
        out.push_back(TLayoutProperty{name, std::move(value), 0});
    }
    TCollectingFiler filer;
    instance.DefineProperties(filer);
    for (auto& e : filer.Entries)
        if (e.HasData && e.Write)
            out.push_back(TLayoutProperty{prefix + e.Name, e.Write(), 0});
}

}  // namespace

void ReadComponentFromText(TComponent* root, const TLayoutObject& tree)
{
    TReader(root).ReadRoot(tree);
}

TLayoutObject WriteComponentToTree(TComponent* component, TComponent* root)
{
    TLayoutObject obj;
    obj.ClassName = component->ClassName();
    obj.Name = component->Name();
    WriteProperties(*component, component, root, L"", obj.Properties);
    component->GetChildren([&](TComponent* child) { obj.Children.push_back(WriteComponentToTree(child, root)); },
                           root);
    return obj;
}
