#pragma once
// The REST route table: every path pattern the REST interface offers, with the command
// template each HTTP method maps to; the search tree built from it once per process; and
// the look-up that turns a request path and method into a server command with the
// arguments bound from the path's parameter segments.

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// HTTP method codes as the web-server extension numbers them.
inline constexpr int restMethodGet = 3;
inline constexpr int restMethodPost = 5;
inline constexpr int restMethodPut = 6;
inline constexpr int restMethodDelete = 7;

// The methods of a route's template columns, in column order.
inline constexpr std::array<int, 4> restRouteMethods = {restMethodGet, restMethodPut,
                                                        restMethodPost, restMethodDelete};

// Orders texts with ASCII letters folded, and nothing else: path segments, command names
// and argument names compare this way.
struct restNoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view inLeft, std::string_view inRight) const;
};

// Argument name (a path of element names joined by ":", such as "dnsRecord:dnsZoneRef") to
// its text value.
using restArgumentMap = std::map<std::string, std::string, restNoCaseLess>;

// One row of the route table. The path's segments are separated by "/"; a segment in
// braces is a parameter whose text names the argument it binds to: empty ("{}") binds
// nothing, "~name" binds the plain value, any other name binds an object reference.
struct restRoute {
    std::string itsPath;
    // Command templates for the methods of restRouteMethods, in that order; empty when the
    // path does not offer the method. A template is a command name, optionally followed by
    // the argument names that replace the path's own, in parentheses and separated by ","
    // ("RemoveFromCloudNetwork(,rangeRefs:ref)"), one per parameter of the path.
    std::array<std::string, 4> itsTemplates;
};

// The 239 rows, built on first use (any thread) and never changed afterwards.
const std::vector<restRoute>& restRouteTable();

// What one method of one route runs.
struct restCommandEntry {
    int itsMethod = 0;
    std::string itsName;
    // One per parameter of the path, in path order.
    std::vector<std::string> itsArgumentNames;
};

// The key under which a node keeps its parameter child: every parameter segment at one
// place of the tree shares that child, whatever its name.
inline constexpr const char* restParameterKey = "{}";

// A node of the route tree, one per distinct path prefix of the table.
struct restRouteNode {
    // From the root, each key preceded by "/" ("/DNSZones/{}"); for diagnostics.
    std::string itsPath;
    bool itsIsParameter = false;
    std::map<std::string, std::unique_ptr<restRouteNode>, restNoCaseLess> itsChildren;
    std::map<int, restCommandEntry> itsCommands;
    // The row that ends here; null for nodes that only lie on the way.
    const restRoute* itsRoute = nullptr;
};

// The tree of restRouteTable(), built by the first caller while concurrent first callers
// wait; read-only afterwards and never destroyed.
const restRouteNode& buildRouteTree();

// Enters inTemplate for inMethod on ioNode; inPathArgumentNames are the path's parameter
// names in path order. A template with a list in parentheses takes that list instead (its
// size must match, which is an internal check). A method already entered keeps its entry.
void addCommand(restRouteNode& ioNode, int inMethod, std::string_view inTemplate,
                const std::vector<std::string>& inPathArgumentNames);

// Matches inSegments from inDepth on below inNode for inMethod, literal children first and
// the parameter child when the literal subtree has no command. On success outCommandName
// is the command, and every parameter value below inDepth is bound into ioArguments under
// the name it takes from ioArgumentNames, whose names are consumed from the back as the
// recursion unwinds; on failure nothing is bound. Never throws but std::bad_alloc.
bool matchRoute(const restRouteNode& inNode, int inMethod,
                const std::vector<std::string_view>& inSegments, size_t inDepth,
                std::vector<std::string>& ioArgumentNames, std::string& outCommandName,
                restArgumentMap& ioArguments);

// The REST look-up: inPath (below the REST root; one trailing "/" is ignored) and
// inMethod to a command. "command/NAME" names the command directly, for every method but
// DELETE; any other path goes through the route tree. Property-definition commands take
// the "objType" of the path's collection, and AddDNSRecord an enabled record with the zone's
// default time to live. False when no route offers the method; outArguments then holds
// nothing useful. Any thread.
bool lookupRestCommand(std::string_view inPath, int inMethod, std::string& outCommandName,
                       restArgumentMap& outArguments);
