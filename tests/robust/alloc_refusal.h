// Refusing chosen memory requests, for the allocation-failure sweeps. The sweep program
// links with -Wl,--wrap=malloc,--wrap=free and wraps pool_alloc and pool_alloc_zeroed, so
// both the C library's requests (the pooled allocator's chunks and its large blocks) and
// the file library's pooled requests can be counted and refused.
#pragma once

enum class refused_layer { c_library, pool };

// From now on, count the requests of `layer` and refuse the `first`-th (counting from 1)
// and, when `persistent`, every later one as well.
void refuse_requests(refused_layer layer, long first, bool persistent);

// Requests of the armed layer seen, and refused, since refuse_requests.
long requests_seen();
long requests_refused();
