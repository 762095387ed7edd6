"""The ensemble study of examples/divergence_ensemble.py fanned out over a Dask cluster of two
worker processes gives, block for block, what the same blocks give stepped in this process."""
import importlib.util
import pathlib

import numpy as np
import pytest

distributed = pytest.importorskip("distributed")

EXAMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "divergence_ensemble.py"


def load_study():
    module_spec = importlib.util.spec_from_file_location("divergence_ensemble", EXAMPLE)
    study = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(study)
    return study


def test_a_cluster_of_two_workers_gets_what_one_process_gets():
    study = load_study()
    # Friction 0 and 5: pairs that part within the 300 steps and pairs that stay together;
    # blocks of 24 pairs, the last of each friction part full.
    tasks = study.block_tasks(pairs=60, frictions=(0.0, 5.0), block_pairs=24, steps=300,
                              seed=7)
    assert [task[2] for task in tasks] == [24, 24, 12, 24, 24, 12]
    here = study.run_in_process(tasks)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        assert len(client.scheduler_info()["workers"]) == 2
        there = study.run_on_client(client, tasks)
    assert len(there) == len(here)
    for ours, theirs in zip(here, there):
        np.testing.assert_array_equal(theirs, ours)
    table = study.by_friction(tasks, here)
    # Both outcomes occur, so the comparison above compared something.
    assert (table[0.0] > 0).any() and (table[5.0] == 0).any()
