#!/usr/bin/env bash
# ansible-test sanity on the brevane.nas collection, the tests that need no
# network: those with Python requirements of their own would install them
# from the Python package index into a virtual environment first.
#   ansible_sanity.sh COLLECTION_DIR
set -euo pipefail
work=$(mktemp -d /tmp/brevane-sanity.XXXXXX)
trap 'rm -rf "$work"' EXIT
# ansible-test wants the collection at ansible_collections/NAMESPACE/NAME,
# under version control.
mkdir -p "$work/ansible_collections/brevane"
cp -r "$1" "$work/ansible_collections/brevane/nas"
cd "$work/ansible_collections/brevane/nas"
rm -rf tests/output
git init -q . && git add -A
skip=()
for test in ansible-doc changelog import pep8 pylint pslint runtime-metadata shellcheck \
            validate-modules yamllint; do
  skip+=(--skip-test "$test")
done
python=$(python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')
HOME="$work" ansible-test sanity --local --python "$python" "${skip[@]}"
echo "ansible_sanity: passed"
