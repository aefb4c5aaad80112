// Play and Play Network Game: each returns 0, and ends the menu once the program runs.
#pragma once

int play_game();
int play_network_game();
