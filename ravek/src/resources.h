#ifndef RAVEK_RESOURCES_H
#define RAVEK_RESOURCES_H

#include "ravek/src/debug.h"

#include <iterator>
#include <list>
#include <map>
#include <set>
#include <string>

namespace ravek {

namespace xml {
class Node;
}

class ResourceManager;

// Base of every bank. A bank reads its content from an XML element; `load` reads a description
// file whose root must be named getNodeName(). XML errors and what getFromNode throws pass
// through as std::string.
class BasicResourceBank {
public:
    ResourceManager* manager;

    BasicResourceBank() : manager(nullptr) {}
    virtual ~BasicResourceBank() {}
    virtual std::string getNodeName() const { return ""; }
    virtual void getFromNode(xml::Node const* node, std::string const& dir);
    virtual void load(std::string const& file, std::string const& dir);
};

// Base of every bank element: knows the bank that holds it.
template <typename B>
class Resource {
public:
    B* bank;

    Resource() : bank(nullptr) {}
    virtual ~Resource() { bank = nullptr; }
    Resource(Resource const&) = delete;
    Resource& operator=(Resource const&) = delete;
};

// An element stored under a key. Destroying it removes its entry from its bank, but only when
// that entry still points to this element, so a successor of the same name is never removed.
template <typename B, typename K = std::string>
class NamedResource : public Resource<B> {
public:
    K name;

    NamedResource() : name() {}
    explicit NamedResource(K const& name) : name(name) {}

    ~NamedResource() override {
        if (!this->bank)
            return;
        auto& map = this->bank->resources;
        auto it = map.find(name);
        if (it != map.end() && it->second == this)
            map.erase(it);
        else
            debug::warning(0, "Could not remove resource %p from bank %p.",
                           static_cast<void*>(this), static_cast<void*>(this->bank));
        this->bank = nullptr;
    }
};

// A bank that owns its elements by key. Elements are destroyed from the greatest key down.
template <typename T, typename K = std::string>
class NamedResourceBank : public BasicResourceBank {
public:
    std::map<K, T*> resources;

    ~NamedResourceBank() override { clearResources(); }

    virtual int size() const { return static_cast<int>(resources.size()); }

    // Deletes every element, greatest key first. An element whose name no longer matches its
    // key is unlinked first so that it is deleted exactly once.
    void clearResources() {
        while (!resources.empty()) {
            auto it = std::prev(resources.end());
            T* element = it->second;
            if (!element || !(element->name == it->first))
                resources.erase(it);
            delete element;
        }
    }
};

// Creates banks by type name. Constructing one registers it in getGenerators().
class ResourceBankGenerator {
public:
    ResourceBankGenerator();
    virtual ~ResourceBankGenerator() {}
    // A new bank of that type, or null when the type is not this generator's.
    virtual BasicResourceBank* generateBank(std::string const& type) const = 0;
};

// Built on first use, so generators of any source file's static initialisers find it ready.
std::list<ResourceBankGenerator const*>& getGenerators();
void registerResourceBankGenerator(ResourceBankGenerator const* generator);
void unregisterResourceBankGenerator(ResourceBankGenerator const* generator);

// The engine core's own bank type: "inputEvaluator" makes an InputEvaluator.
class BasicResourceBankGenerator : public ResourceBankGenerator {
public:
    BasicResourceBankGenerator() {}
    BasicResourceBank* generateBank(std::string const& type) const override;
};

extern BasicResourceBankGenerator resourceBankGenerator;

extern char const* const XML_RESOURCES_RESOURCES;

// Reads a resource description into named banks made by the generators. It does not own the
// banks it holds: they live until the process ends. A bank replaced by another of the same name
// is kept aside, since other banks may still point into it, and deleted with the manager. Bad
// bank elements are logged in the resources group and skipped; a name used twice is logged as a
// warning.
class ResourceManager : public BasicResourceBank {
public:
    std::map<std::string, BasicResourceBank*> banks;

    ResourceManager() {}
    ~ResourceManager() override;
    ResourceManager(ResourceManager const&) = delete;
    ResourceManager& operator=(ResourceManager const&) = delete;
    std::string getNodeName() const override { return XML_RESOURCES_RESOURCES; }
    void getFromNode(xml::Node const* node, std::string const& dir) override;
    virtual BasicResourceBank* createResourceBank(std::string const& type);
    // Stores the bank under the name and becomes its manager. The bank stored there before is
    // kept aside until the manager goes.
    void storeBank(std::string const& name, BasicResourceBank* bank);
    // Deletes every bank it holds and every bank it replaced, newest first, and forgets them:
    // for an owner that frees everything at once.
    void deleteBanks();

private:
    void deleteNewestFirst(std::set<BasicResourceBank*> const& doomed);

    // When each bank was first stored. Replaced banks are deleted newest first, so that none
    // goes before a bank made after it, which may point into it; one that is stored under a
    // name again when the manager goes is left alone like every current bank.
    std::map<BasicResourceBank*, unsigned long> firstStored;
    std::set<BasicResourceBank*> replaced;
};

class RefreshingBankHandler {
public:
    virtual ~RefreshingBankHandler() {}
    virtual void elementRefreshed() = 0;
};

// A bank whose elements can be reloaded one by one, each reported to the handler.
class RefreshingBank {
public:
    virtual ~RefreshingBank() {}
    virtual int size() const = 0;
    virtual void refresh(RefreshingBankHandler* handler) = 0;
};

} // namespace ravek

#endif
