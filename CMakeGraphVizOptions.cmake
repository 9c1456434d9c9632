# What `cmake --graphviz=graph.dot build` draws: the layers' libraries, the
# program and what they link, without the tests, benchmarks and their helpers.
set(GRAPHVIZ_GRAPH_NAME "veskat layers")
set(GRAPHVIZ_IGNORE_TARGETS ".*Test$" "^test_" "^show_" "^bench$" "^veskat_test_support$"
    "^veskat_ftp_test_server$" "^GTest::" "^benchmark::"
    # Qt's own plumbing: the layers are told apart by Core, Gui and Widgets.
    "^Qt6::moc$" "^Qt6::Platform$" "^Wrap" "^OpenGL::" "^Threads::")
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
