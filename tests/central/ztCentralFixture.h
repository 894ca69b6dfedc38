#pragma once
// A seeded stand-in server model with its command runner and a fixed clock, and helpers that
// run commands given as XML text and read their answers.

#include "ztcentral/handlers/ztCentralCommands.h"
#include "ztcentral/model/ztCentralFaults.h"
#include "ztcentral/model/ztCentralModel.h"
#include "ztcentral/model/ztCentralSeed.h"

#include "messages/ztException.h"
#include "util/ztXMLUtil.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

// 2026-03-09 14:05:00 UTC.
inline constexpr int64_t kFixedTime = 1773065100;

class CentralTest : public ::testing::Test {
protected:
    CentralTest() : itsModel([this] { return itsNow; }), itsCommands(itsModel, itsFaults) {
        ztCentralSeed::fill(itsModel);
    }

    // Runs the command and returns its answer element, which lives as long as the fixture.
    const TiXmlElement& run(const std::string& inXML, const std::string& inUser = "tester") {
        TiXmlElement& command = parse(inXML);
        return itsCommands.execute(command, inUser, itsAnswers);
    }

    // Runs the command, expects it to fail with inError and returns the message.
    std::string fails(const std::string& inXML, ztErr inError) {
        TiXmlElement& command = parse(inXML);
        const size_t before = answerCount();
        try {
            itsCommands.execute(command, "tester", itsAnswers);
        } catch (const ztException& e) {
            EXPECT_EQ(e.getErrorValue(), inError) << e.what();
            EXPECT_EQ(answerCount(), before) << "a failed command left an answer behind";
            return e.what();
        }
        ADD_FAILURE() << "no failure for " << inXML;
        return {};
    }

    // The text at a "/"-separated path below inElement; "<missing>" when there is none.
    static std::string at(const TiXmlElement& inElement, const std::string& inPath) {
        const TiXmlElement* found = ztXMLUtil::findPath(&inElement, inPath);
        return found == nullptr ? std::string("<missing>") : ztXMLUtil::getTextOr(found, "");
    }

    // The text of child inChild of every element of the list at inPath.
    static std::vector<std::string> column(const TiXmlElement& inElement, const std::string& inPath,
                                           const char* inChild) {
        std::vector<std::string> result;
        const TiXmlElement* list = ztXMLUtil::findPath(&inElement, inPath);
        if (list == nullptr)
            return result;
        for (const TiXmlElement* item = list->FirstChildElement(); item != nullptr;
             item = item->NextSiblingElement())
            result.push_back(ztXMLUtil::getTextOr(item->FirstChildElement(inChild), ""));
        return result;
    }

    // The canonical reference of the object that a name reference names.
    std::string refOf(const std::string& inNameRef) {
        const TiXmlElement& answer = run("<GetHistory><objRef>" + inNameRef +
                                         "</objRef>"
                                         "<limit>1</limit></GetHistory>");
        return at(answer, "historyItems/historyItem/objRef");
    }

    int64_t itsNow = kFixedTime;
    ztCentralFaults itsFaults;
    ztCentralModel itsModel;
    ztCentralCommands itsCommands;

private:
    TiXmlElement& parse(const std::string& inXML) {
        auto document = std::make_unique<TiXmlDocument>();
        document->Parse(inXML.c_str(), nullptr, TIXML_ENCODING_LEGACY);
        EXPECT_FALSE(document->Error()) << inXML;
        itsRequests.push_back(std::move(document));
        TiXmlElement* root = itsRequests.back()->RootElement();
        if (root == nullptr) {
            itsRequests.back()->LinkEndChild(new TiXmlElement("empty"));
            root = itsRequests.back()->RootElement();
        }
        return *root;
    }

    size_t answerCount() const {
        size_t count = 0;
        for (const TiXmlNode* node = itsAnswers.FirstChild(); node != nullptr;
             node = node->NextSibling())
            ++count;
        return count;
    }

    std::vector<std::unique_ptr<TiXmlDocument>> itsRequests;
    TiXmlElement itsAnswers{"answers"};
};
