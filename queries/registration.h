#pragma once

struct Lookup;

// The registration columns: 注册状态, 注册商, 注册日期 and 到期日, all four from one answer about the name's
// registrable domain: its registry's RDAP server (IANA's bootstrap, then the servers registries run that it
// does not list, then the user's own), else its WHOIS server on port 43.
const Lookup& registrationStatusLookup();
const Lookup& registrarNameLookup();
const Lookup& registrationDateLookup();
const Lookup& expiryDateLookup();
