#pragma once
// One command being run: the validated command element, the store (locked for the whole
// command), the user it runs for and the answer element being filled. Handlers read their
// arguments and resolve object references through it.

#include "ztcentral/catalog/ztCentralCatalog.h"
#include "ztcentral/model/ztCentralStore.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class TiXmlElement;
class TiXmlNode;
class ztCentralCall;

// A command's implementation; throws ztException to refuse.
using ztCentralHandler = void (*)(ztCentralCall& ioCall);

// Command name (ignoring ASCII case) to implementation.
struct ztCentralNoCaseLess {
    bool operator()(std::string_view inLeft, std::string_view inRight) const;
};
using ztCentralHandlerMap = std::map<std::string, ztCentralHandler, ztCentralNoCaseLess>;

class ztCentralCall {
public:
    using Object = ztCentralStore::Object;

    struct Paging {
        std::string filter;
        int32_t offset = 0;
        int32_t limit = 0; // 0: no limit
    };

    // Every reference is kept, none owned; they must outlive the call.
    ztCentralCall(ztCentralStore& ioStore, const ztCentralCatalog::Command& inCommand,
                  const TiXmlElement& inInput, const std::string& inUser, TiXmlElement& ioAnswer)
        : itsStore(ioStore), itsCommand(inCommand), itsInput(inInput), itsUser(inUser),
          itsAnswer(ioAnswer) {}

    ztCentralStore& store() const { return itsStore; }
    const ztCentralCatalog::Command& command() const { return itsCommand; }
    const std::string& user() const { return itsUser; }
    TiXmlElement& answer() const { return itsAnswer; }
    // The "saveComment" argument, empty when absent.
    std::string comment() const { return text("saveComment"); }

    // The argument element (name ignoring ASCII case and namespace prefix); null when absent.
    const TiXmlElement* arg(std::string_view inName) const;
    // True when the argument is there and not empty.
    bool has(std::string_view inName) const;
    std::string text(std::string_view inName) const;
    // Typed arguments, already checked by the validator; inDefault when absent or empty.
    int32_t intArg(std::string_view inName, int32_t inDefault) const;
    uint32_t uintArg(std::string_view inName, uint32_t inDefault) const;
    bool boolArg(std::string_view inName, bool inDefault) const;
    // filter, offset and limit; a negative offset or limit is refused.
    Paging paging() const;

    // The object named by the reference in argument inName, of type inType unless that is
    // obj_unknown. Throws objectNotFound, or invalidArgument for a reference of another type
    // or one that names several objects.
    Object& object(std::string_view inName, ztObjType inType = obj_unknown) const;
    // The same, but null when the argument is absent or empty.
    Object* optionalObject(std::string_view inName, ztObjType inType = obj_unknown) const;
    // Resolves reference text; inArgument names the argument in messages.
    Object& resolve(const std::string& inReference, const std::string& inArgument,
                    ztObjType inType) const;

    // True when the object passes a list filter: "field:text" looks for the text in that field
    // or custom property ("name" included), any other filter in the name; case is ignored.
    bool matches(const Object& inObject, std::string_view inFilter) const;
    // The slice of inItems that the paging selects.
    template <class T>
    static std::vector<T> page(const std::vector<T>& inItems, const Paging& inPaging) {
        std::vector<T> result;
        for (size_t i = static_cast<size_t>(inPaging.offset); i < inItems.size(); ++i) {
            if (inPaging.limit > 0 && result.size() >= static_cast<size_t>(inPaging.limit))
                break;
            result.push_back(inItems[i]);
        }
        return result;
    }

    // Appends an element holding inText (nothing for an empty text) and returns it.
    static TiXmlElement& addText(TiXmlNode& ioParent, const std::string& inName,
                                 const std::string& inText);
    static TiXmlElement& addElement(TiXmlNode& ioParent, const std::string& inName);

    // Appends "totalResults" to the answer; it follows the list.
    void writeTotal(size_t inTotal);

private:
    ztCentralStore& itsStore;
    const ztCentralCatalog::Command& itsCommand;
    const TiXmlElement& itsInput;
    const std::string& itsUser;
    TiXmlElement& itsAnswer;
};
