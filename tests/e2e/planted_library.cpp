// A library another player could leave in the game folder under a name a program loads.
extern "C" __declspec(dllexport) int planted() {
  return 1;
}
