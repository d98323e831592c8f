#include "ravek/src/gui/lists.h"

#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gui;

namespace {

typedef basic_Vector2D<float> V;
typedef basic_Rect<float> R;
typedef std::vector<Trigger*> Pushed;

List* threeItems() {
    auto* list = new List;
    *list += new ListItem("one", 1, nullptr);
    *list += new ListItem("two", 2, nullptr);
    *list += new ListItem("three", 3, nullptr);
    return list;
}

struct Fixture {
    guitest::Triggers triggers;
    GUI gui;
    guitest::Callback callback;
    ControlQueue queue;
    DropdownList* list;
    Fixture() : list(new DropdownList) {
        gui.setCallback(&callback);
        gui += list;
        list->setTrigger(triggers["a"]);
        list->setFocused(true);
    }
};

} // namespace

TEST(List, ItemsAreFoundByDataRemovedWithoutDeletingAndOwnedUntilTheLastUnuse) {
    int tag = 0;
    ListItem kept("kept", 7, &tag);
    EXPECT_TRUE(kept == ListItem("kept", 7, &tag));
    EXPECT_FALSE(kept == ListItem("kept", 8, &tag));
    auto* list = new List;
    EXPECT_EQ(0, list->useCount);
    *list += &kept;
    *list += new ListItem("other", 1, nullptr);
    *list += &kept;
    EXPECT_EQ(&kept, list->findByData(&tag));
    EXPECT_EQ(nullptr, list->findByData(list));
    *list -= &kept;
    EXPECT_EQ(1u, list->items.size());
    list->use();
    list->use();
    list->unuse();
    EXPECT_EQ(1, list->useCount);
    list->clear();
    EXPECT_TRUE(list->items.empty());
    *list += new ListItem;
    // The last user deletes the list with its items (the sanitizer would see a leak).
    list->unuse();
    EXPECT_EQ("kept", kept.caption);
}

TEST(DropdownList, ClicksCycleThroughTheItemsAndEachPushesTheTrigger) {
    Fixture f;
    EXPECT_TRUE(f.list->focusable);
    f.list->setItems(threeItems());
    EXPECT_EQ("one", f.list->getCaption());
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(f.list->keyDown(&f.queue, i % 2 ? SDLK_SPACE : SDLK_RETURN, KMOD_NONE, 0));
        seen.push_back(f.list->getCaption());
    }
    EXPECT_EQ(std::vector<std::string>({"two", "three", "one", "two"}), seen);
    EXPECT_EQ(4u, guitest::drain(f.queue).size());
    EXPECT_EQ(2, f.list->getSelected()->id);
    // Other keys navigate.
    EXPECT_FALSE(f.list->keyDown(&f.queue, SDLK_a, KMOD_NONE, 'a'));
    EXPECT_TRUE(f.list->keyDown(&f.queue, SDLK_UP, KMOD_NONE, 0));
    EXPECT_EQ("two", f.list->getCaption());
}

TEST(DropdownList, WithoutItemsAClickChangesNothingButStillPushesTheTrigger) {
    Fixture f;
    f.list->doClick(&f.queue);
    f.list->setItems(new List);
    EXPECT_EQ(nullptr, f.list->getSelected());
    f.list->doClick(&f.queue);
    EXPECT_EQ(Pushed({f.triggers["a"], f.triggers["a"]}), guitest::drain(f.queue));
    EXPECT_EQ("", f.list->getCaption());
}

TEST(DropdownList, ASharedListLivesUntilBothHaveDroppedIt) {
    GUI gui;
    auto* first = new DropdownList;
    auto* second = new DropdownList;
    gui += first;
    gui += second;
    List* list = threeItems();
    first->setItems(list);
    first->doClick(nullptr);
    second->selectItem(first->getSelected());
    second->setItems(list);
    EXPECT_EQ(2, list->useCount);
    // The selection belongs to the list, so it stays.
    EXPECT_EQ("two", second->getCaption());
    first->setItems(list);
    EXPECT_EQ(2, list->useCount);
    delete first;
    EXPECT_EQ(1, list->useCount);
    second->doClick(nullptr);
    EXPECT_EQ("three", second->getCaption());
    // An item of another list is not kept.
    List* other = threeItems();
    second->setItems(other);
    EXPECT_EQ("one", second->getCaption());
    // Dropping the list clears the selection, whose item went with it.
    second->setItems(nullptr);
    EXPECT_EQ(nullptr, second->getSelected());
    EXPECT_EQ(nullptr, second->getItems());
    EXPECT_EQ("", second->getCaption());
    second->doClick(nullptr);
}

TEST(DropdownList, ReleasingOverAListThatLostTheFocusEndsThePressWithoutAClick) {
    Fixture f;
    f.list->setItems(threeItems());
    EXPECT_EQ(upHot, f.list->getState());
    f.list->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(downHot, f.list->getState());
    EXPECT_TRUE(f.list->isDown());
    EXPECT_EQ(f.list, f.gui.getMouseCaptured());
    f.list->mouseUp(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ("two", f.list->getCaption());
    EXPECT_EQ(nullptr, f.gui.getMouseCaptured());
    f.list->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    f.gui.setFocused(true);
    EXPECT_EQ(up, f.list->getState());
    f.list->mouseUp(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_FALSE(f.list->pressed);
    EXPECT_EQ("two", f.list->getCaption());
    f.list->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_RIGHT);
    EXPECT_FALSE(f.list->pressed);
    EXPECT_EQ(1u, guitest::drain(f.queue).size());
}

TEST(DropdownListReading, ItemsTriggerAndStyleFromTheDescription) {
    testutil::LogCapture log;
    guitest::Loaded loaded(guitest::evaluatorDescription() +
                           "<gui name=\"gui\"><DropdownListStyle name=\"ds\"/>"
                           "<ButtonStyle name=\"bs\"/>"
                           "<DropdownList name=\"d\" caption=\"ignored\" style=\"ds\" "
                           "trigger=\"ev.c\"><Item caption=\"Low\" id=\"4\"/><Other/>"
                           "<Item caption=\"High\"/><Item id=\"0x10\"/></DropdownList>"
                           "<DropdownList name=\"e\" style=\"bs\" trigger=\"c\" "
                           "caption=\"kept\"/>"
                           "</gui>");
    std::string text = log.text();
    GUI* gui = loaded.gui();
    auto* d = dynamic_cast<DropdownList*>((*gui)["d"]);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(findStyle<DropdownListStyle>(gui, "ds"), d->getStyle());
    EXPECT_EQ(loaded.trigger("c"), d->getTrigger());
    ASSERT_NE(nullptr, d->getItems());
    EXPECT_EQ(1, d->getItems()->useCount);
    std::vector<std::string> captions;
    std::vector<int> ids;
    for (ListItem* item : d->getItems()->items) {
        captions.push_back(item->caption);
        ids.push_back(item->id);
        EXPECT_EQ(nullptr, item->data);
    }
    EXPECT_EQ(std::vector<std::string>({"Low", "High", ""}), captions);
    EXPECT_EQ(std::vector<int>({4, 0, 16}), ids);
    EXPECT_EQ("Low", d->getCaption());

    auto* e = dynamic_cast<DropdownList*>((*gui)["e"]);
    EXPECT_EQ(nullptr, e->getStyle());
    EXPECT_EQ(nullptr, e->getTrigger());
    EXPECT_EQ(nullptr, e->getItems());
    EXPECT_EQ("kept", e->getCaption());
    EXPECT_NE(std::string::npos,
              text.find("(warning) Could not find matching style for dropdown list \"e\"."));
    EXPECT_EQ(std::string::npos, text.find("dropdown list \"d\""));
}
