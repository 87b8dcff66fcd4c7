// What the import reads from an OpenStreetMap extract: the tram track, its route relations and
// stops, and the city around it (buildings, trees, parks), as plain records with their node
// locations in degrees. Nothing here knows the map: the projection and the building come after.
#pragma once

#include "model/CityLook.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vell::import {

using TOsmId = std::int64_t;

struct TGeoPoint {
    double Lat = 0, Lon = 0; // degrees, WGS 84
    bool operator==(const TGeoPoint&) const = default;
};

// A way tagged railway=tram.
struct TOsmTrack {
    TOsmId Id = 0;
    std::vector<TOsmId> Nodes;
    std::string Service; // its service tag: "yard", "siding", "spur", "crossover"...; empty if none
    int MaxSpeed = 0;    // km/h from maxspeed, 0 when not given or not a number
    int Oneway = 0;      // oneway: 1 only in the order of its nodes, -1 only against it, 0 both
};

struct TOsmMember {
    char Type = 'n'; // 'n' node, 'w' way, 'r' relation
    TOsmId Ref = 0;
    std::string Role;     // "", "forward", "backward", "stop", "stop_entry_only", "platform"...
    bool Missing = false; // the file does not hold it (an extract cut by its box)
};

// A relation tagged type=route, route=tram (also a route=tram relation of another type, read
// the same way).
struct TOsmRoute {
    TOsmId Id = 0;
    std::string Ref, Name, From, To;
    std::string MasterRef;   // the ref of a route master (type=route_master) listing it, if any
    int IntervalMinutes = 0; // from "interval" (minutes, or HH:MM), 0 when none or unreadable
    bool Version2 = false;   // public_transport:version=2: one direction, ways in driving order
    std::vector<TOsmMember> Members; // in relation order, missing ones included
};

enum class TStopKind { TramStop, StopPosition, Platform };

// A place trams stop: railway=tram_stop, public_transport=stop_position with tram=yes (or
// railway=tram_stop), or a platform (public_transport=platform or railway=platform, with
// tram=yes or named by a tram route with a platform role), node or way (a way's location is the
// centre of its nodes; a way tagged railway=tram_stop is a platform area). One record an object,
// of the first kind it fits in the order StopPosition, TramStop, Platform.
struct TOsmStop {
    TOsmId Id = 0;
    char Type = 'n'; // 'n' or 'w'
    TStopKind Kind = TStopKind::TramStop;
    std::string Name;
    TGeoPoint At;
    // A platform drawn as a way: its outline (the first point not repeated), or its line when
    // the way is not closed; empty for a node or a way with a node the extract lacks.
    std::vector<TGeoPoint> Outline;
    bool OutlineIsLine = false;
};

// What a building's tags say of its look; empty or 0 where they say nothing.
struct TOsmBuildingTags {
    std::string Type;                   // building=*: "yes", "house", "apartments"...
    std::string RoofShape;              // roof:shape
    double RoofHeight = 0;              // metres from roof:height
    std::string WallColour, RoofColour; // building:colour, roof:colour as tagged
    bool Shop = false;                  // shop=* on the building
    std::string Amenity;
};

// A building outline, a tree row or a park edge: its points in order (a closed outline repeats
// its first point last).
struct TOsmOutline {
    TOsmId Id = 0;
    std::vector<TGeoPoint> Points;
    int Levels = 0;        // building:levels, 0 when not given
    double Height = 0;     // metres from height, 0 when not given
    TOsmBuildingTags Look; // of a building
};

// A street's centre line as far as its nodes are located, with what its tags say of it.
struct TOsmStreet {
    TOsmId Id = 0;
    std::vector<TGeoPoint> Points;
    double Width = 0; // the carriageway, metres
    TStreetKind Kind = TStreetKind::Road;
    bool Pavements = true;
};

// An area of the ground as a closed ring, the first point not repeated: a closed way, or the
// outer ways of a multipolygon joined end to end.
struct TOsmArea {
    TOsmId Id = 0;
    TAreaKind Kind = TAreaKind::Grass;
    std::vector<TGeoPoint> Ring;
};

// What one pass over the file found, for the report.
struct TReadCounts {
    long long Nodes = 0, Ways = 0, Relations = 0;
    long long TrackWays = 0;
    long long TrackNodesWithoutLocation = 0; // referenced by a track but missing in the file
    long long RouteRelations = 0;
    long long RouteMembersMissing = 0; // members of route relations that the file does not hold
    // Stops as tagged, each tag counted on its own (one node may be a tram stop and a stop
    // position): nodes tagged railway=tram_stop; public_transport=stop_position with tram=yes or
    // railway=tram_stop; public_transport=platform with tram=yes, nodes and ways.
    long long TramStops = 0, StopPositions = 0, TramPlatforms = 0;
    long long Buildings = 0, BuildingsClipped = 0;
    long long Trees = 0, TreeRows = 0, Parks = 0;
};

struct TOsmExtract {
    std::vector<TOsmTrack> Tracks;
    std::vector<TOsmRoute> Routes;
    std::vector<TOsmStop> Stops;
    // Locations of the nodes of tracks and of the nodes routes and stops name.
    std::unordered_map<TOsmId, TGeoPoint> Locations;
    // The city, within the square only (read once the square is known).
    std::vector<TOsmOutline> Buildings, TreeRows, Parks;
    std::vector<TGeoPoint> Trees;
    // What the cab's detailed look draws of the ground, within the square.
    std::vector<TOsmStreet> Streets;
    std::vector<TOsmArea> Areas;
    long long AreasLeftOpen = 0; // multipolygon rings that could not be closed in the extract
    TReadCounts Counts;
};

} // namespace vell::import
