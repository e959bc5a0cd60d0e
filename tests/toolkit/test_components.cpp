// Ownership, free notification and component names.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "TestSupport.h"

namespace {

// Records its own destruction, in order, into a shared log.
class TLoggedComponent : public TComponent {
public:
    TLoggedComponent(TComponent* owner, const std::wstring& name, std::vector<std::wstring>& log)
        : TComponent(owner), FLog(log)
    {
        SetName(name);
    }
    ~TLoggedComponent() override { FLog.push_back(Name()); }

private:
    std::vector<std::wstring>& FLog;
};

// Holds a plain reference to another component and drops it when told the other goes away.
class TReferrer : public TComponent {
public:
    using TComponent::TComponent;
    TComponent* Ref = nullptr;
    int Removals = 0;
    void SetRef(TComponent* value)
    {
        Ref = value;
        if (value)
            value->FreeNotification(this);
    }
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == Ref) {
            Ref = nullptr;
            ++Removals;
        }
    }
};

}  // namespace

TEST(Components, OwnerDestroysWhatItOwnsLastCreatedFirst)
{
    std::vector<std::wstring> log;
    auto* owner = new TLoggedComponent(nullptr, L"Owner", log);
    new TLoggedComponent(owner, L"A", log);
    auto* b = new TLoggedComponent(owner, L"B", log);
    new TLoggedComponent(b, L"B1", log);
    new TLoggedComponent(owner, L"C", log);
    ASSERT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->FindComponent(L"b"), b);  // names compare without case
    EXPECT_EQ(owner->FindComponent(L"B1"), nullptr);  // only directly owned ones

    // Each destructor body logs before its base class frees what the object owns.
    delete owner;
    EXPECT_EQ(log, (std::vector<std::wstring>{L"Owner", L"C", L"B", L"B1", L"A"}));
}

TEST(Components, AComponentDeletedOnItsOwnLeavesItsOwnersList)
{
    std::vector<std::wstring> log;
    TComponent owner(nullptr);
    auto* a = new TLoggedComponent(&owner, L"A", log);
    auto* b = new TLoggedComponent(&owner, L"B", log);
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    EXPECT_THROW(owner.Components(1), EListError);

    // Moving to another owner takes it out of the first one's list.
    TComponent other(nullptr);
    other.InsertComponent(b);
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(b->Owner(), &other);
}

TEST(Components, FreeNotificationClearsReferencesAcrossOwners)
{
    TComponent ownerA(nullptr), ownerB(nullptr);
    auto* target = new TComponent(&ownerA);
    auto* holder = new TReferrer(&ownerB);
    holder->SetRef(target);

    delete target;
    EXPECT_EQ(holder->Ref, nullptr);
    EXPECT_EQ(holder->Removals, 1);

    // The link runs both ways: a holder that goes first is not told anything afterwards.
    auto* target2 = new TComponent(&ownerA);
    auto* holder2 = new TReferrer(&ownerB);
    holder2->SetRef(target2);
    holder->SetRef(target2);
    delete holder2;
    delete target2;  // would call into the deleted holder2 if the link were left behind
    EXPECT_EQ(holder->Ref, nullptr);
    EXPECT_EQ(holder->Removals, 2);
}

TEST(Components, RemoveFreeNotificationStopsTheNotice)
{
    TComponent owner(nullptr);
    TReferrer holder(nullptr);
    auto* target = new TComponent(&owner);
    holder.SetRef(target);
    target->RemoveFreeNotification(&holder);
    delete target;
    EXPECT_EQ(holder.Removals, 0);
    EXPECT_NE(holder.Ref, nullptr);  // stale, as asked for
}

TEST(Components, SiblingsUnderOneOwnerHearOfEachOthersRemoval)
{
    TComponent owner(nullptr);
    auto* holder = new TReferrer(&owner);
    auto* target = new TComponent(&owner);
    holder->Ref = target;  // no FreeNotification: the shared owner passes the notice on
    delete target;
    EXPECT_EQ(holder->Ref, nullptr);
}

TEST(Components, InvalidAndDuplicateNamesRaise)
{
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName(L"Button1");
    for (const wchar_t* bad : {L"1Button", L"my button", L"a-b", L"ボタン", L"x.y"}) {
        try {
            b->SetName(bad);
            ADD_FAILURE() << "accepted " << Narrow(bad);
        } catch (const EInvalidOperation& e) {
            EXPECT_NE(e.Message().find(bad), std::wstring::npos) << Narrow(e.Message());
        }
    }
    EXPECT_THROW(b->SetName(L"button1"), EInvalidOperation);  // duplicates compare without case
    EXPECT_EQ(b->Name(), L"");
    b->SetName(L"_Button2");
    a->SetName(L"BUTTON1");  // its own name in another case is no duplicate
    EXPECT_EQ(a->Name(), L"BUTTON1");

    // Names are unique per owner only.
    TComponent other(nullptr);
    auto* c = new TComponent(&other);
    c->SetName(L"Button1");
    EXPECT_EQ(c->Name(), L"Button1");
    a->SetName(L"");  // unnamed components never clash
    b->SetName(L"");
    EXPECT_EQ(owner.FindComponent(L""), nullptr);
}
