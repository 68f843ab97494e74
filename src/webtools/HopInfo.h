#pragma once

#include <string>

// One answering hop of a trace: where it is, if known, and how long its echo took.
struct HopInfo {
    std::string ip; // dotted address; empty for a hop that did not answer
    std::string host; // reverse name; empty when none
    std::string city; // empty when the location is unknown
    std::string country;
    double lat = 0;
    double lon = 0;
    // Position just above the globe (GlobePosition at HopRadius); 0 when unknown.
    double x = 0;
    double y = 0;
    double z = 0;
    int rtt = 0; // milliseconds
    // False only when the location was fetched from the location service for this hop.
    bool fromCache = true;
};
